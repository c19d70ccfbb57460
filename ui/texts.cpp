#include "ui/texts.h"

#include <iterator>

#include "core/messages.h"

namespace murl::ui {
namespace {

// In UiText order.
constexpr TextPair kTexts[] = {
    {"Back to Main Menu", "Torna al Menu Principale"},
    {"Hiding Wizard", "Nascondere Dati"},
    {"Unhiding Wizard", "Recupero Dati"},
    {"Authoring Wizard", "Authoring"},
    {"Checking Wizard", "Verifica"},
    {"Options Panel", "Opzioni Avanzate"},
    {"Go to Home Page", "Vai a Home Page"},
    {"Read Help (F1): hints, context help & legal stuff!",
     "Leggete lo Help (F1): consigli, context help & note legali!"},
    {"Murl v1.01 - Help", "Murl v1.01 - Guida"},
    {"Usage: murl [--lang en|it] [--version] [--help]\n"
     "  --lang en|it  Language of the application (default: the locale's)\n"
     "  --version     Prints the version and ends\n"
     "  -h,--help     Prints this help and ends",
     "Uso: murl [--lang en|it] [--version] [--help]\n"
     "  --lang en|it  Lingua dell'applicazione (predefinita: quella del locale)\n"
     "  --version     Stampa la versione ed esce\n"
     "  -h,--help     Stampa questo aiuto ed esce"},
    {"Yes", "Sì"},
    {"No", "No"},
    {"OK", "OK"},
    {"Next", "Avanti"},
    {"Name", "Nome"},
    {"Bits", "Bit"},
    {"Order", "Ordine"},
    {"Use +/- to change carriers order", "Usate +/- per cambiare l'ordine dei carrier"},
    {"Add Carriers", "Agg. Carrier"},
    {"Carriers: %s", "Carrier: %s"},
    {"Bits: %s/%s", "Bit: %s/%s"},
    {"Bits: %s", "Bit: %s"},
    {"Enter twice your password (16-32)", "Inserite 2 volte la vostra password (16-32)"},
    {"(Passwords are space and case sensitive)", "(Le password sono space e case sensitive)"},
    {"Select Output Folder", "Seleziona la Cartella di Output"},
    {"Source Carrier", "Carrier Sorgente"},
    {"Target Carrier", "Carrier Destinazione"},
    {"Save", "Salva"},
    {"Save Report", "Salva Rapporto"},
    {"Text Files", "File di Testo"},
    {"Root\\", "Radice\\"},
    {"Add Files", "Agg. File"},
    {"Add Folder", "Agg. Cartella"},
    {"Files num: %s", "Num file: %s"},
    {"Size: %s bytes", "Dim: %s byte"},
    {"All Files", "Tutti i File"},
    {"Compression level", "Livello di compressione"},
    {"Compressing -> Encrypting", "Compressione -> Crittazione"},
    {"Scanning", "Scansione"},
    {"Decrypting -> Decompressing", "Decompressione -> Decrittazione"},
    {"Attr", "Attr"},
    {"Size", "Dim"},
    {"..", ".."},
    {"D", "D"},
    {"%s bytes", "%s byte"},
    {"Extract Sel.", "Estrai Sel."},
    {"Extract All", "Estrai Tutto"},
    {"Enter twice your copyright mark", "Inserite 2 volte il vostro marchio di copyright"},
    {"(Maximum lenght 100 chars)", "(Lunghezza massima 100 caratteri)"},
    {"Check Carrier", "Verifica Carrier"},
    {"Bits selection level", "Livello di selezione bit"},
    {"Default", "Default"},
    {"Accept", "Accetta"},
    {"All Supported Images/Audios", "Immagini+File Audio Supportati"},
    {"All Supported Images", "Immagini Supportate"},
    {"All Supported Audios", "File Audio Supportati"},
    {"All Files (*.*)", "Tutti i File (*.*)"},
};
static_assert(std::size(kTexts) == static_cast<size_t>(UiText::kCount));

// In PageId order.
constexpr TextPair kTitles[] = {
    {"Murl v1.01 - Steganographer & Authoring", "Murl v1.01 - Steganografia & Authoring"},
    {"Murl v1.01 - Hiding Step 1", "Murl v1.01 - Nascondere Dati Passo 1"},
    {"Murl v1.01 - Hiding Step 2", "Murl v1.01 - Nascondere Dati Passo 2"},
    {"Murl v1.01 - Hiding Step 3", "Murl v1.01 - Nascondere Dati Passo 3"},
    {"Murl v1.01 - Hiding Step 4", "Murl v1.01 - Nascondere Dati Passo 4"},
    {"Murl v1.01 - Hiding Step 5", "Murl v1.01 - Nascondere Dati Passo 5"},
    {"Murl v1.01 - Last Step [Report]", "Murl v1.01 - Ultimo Passo [Rapporto]"},
    {"Murl v1.01 - Unhiding Step 1", "Murl v1.01 - Recupero Dati Passo 1"},
    {"Murl v1.01 - Unhiding Step 2", "Murl v1.01 - Recupero Dati Passo 2"},
    {"Murl v1.01 - Unhiding Step 3", "Murl v1.01 - Recupero Dati Passo 3"},
    {"Murl v1.01 - Last Step [Extraction]", "Murl v1.01 - Ultimo Passo [Estrazione]"},
    {"Murl v1.01 - Authoring Step 1", "Murl v1.01 - Authoring Passo 1"},
    {"Murl v1.01 - Authoring Step 2", "Murl v1.01 - Authoring Passo 2"},
    {"Murl v1.01 - Authoring Step 3", "Murl v1.01 - Authoring Passo 3"},
    {"Murl v1.01 - Last Step [Report]", "Murl v1.01 - Ultimo Passo [Rapporto]"},
    {"Murl v1.01 - Checking Panel", "Murl v1.01 - Panello Verifica"},
    {"Murl v1.01 - Options Panel", "Murl v1.01 - Opzioni Avanzate"},
};
static_assert(std::size(kTitles) == static_cast<size_t>(PageId::kCount));

}  // namespace

const char* const kHomePageAddress = "https://murl.example.org/";

const char* uiText(UiText id, Language language) {
  return pick(kTexts[static_cast<size_t>(id)], language);
}

QString text(UiText id, Language language) { return QString::fromUtf8(uiText(id, language)); }

QString text(UiText id, Language language, const QString& first, const QString& second) {
  QString result = text(id, language);
  for (const QString* argument : {&first, &second}) {
    qsizetype at = result.indexOf(QLatin1String("%s"));
    if (at < 0) break;
    result.replace(at, 2, *argument);
  }
  return result;
}

const char* pageTitle(PageId page, Language language) {
  return pick(kTitles[static_cast<size_t>(page)], language);
}

UiText buttonTooltip(int button) {
  return static_cast<UiText>(static_cast<int>(UiText::kTooltipBackToMainMenu) + button);
}

}  // namespace murl::ui
