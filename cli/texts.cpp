#include "cli/texts.h"

#include <iterator>

#include "core/messages.h"

namespace murl::cli {
namespace {

// In Text order.
constexpr TextPair kTexts[] = {
    {"Password (16-32 characters): ", "Password (16-32 caratteri): "},
    {"Password again: ", "Ripetere la password: "},
    {"The password must be 16 to 32 characters, typed the same twice.",
     "La password deve avere da 16 a 32 caratteri, digitati 2 volte uguali."},
    {"No password: give --password-file FILE or set MURL_PASSWORD, or run on a terminal.",
     "Nessuna password: usate --password-file FILE o MURL_PASSWORD, o un terminale."},
    {"Couldn't read the password file: ", "Impossibile leggere il file della password: "},
    {" [y/N] ", " [s/N] "},
    {"Yes", "Sì"},
    {"No", "No"},
    {"Unknown level (0-6 or Minimum..Maximum): ", "Livello sconosciuto (0-6 o Minimo..Massimo): "},
    {"Unknown format (%s): ", "Formato sconosciuto (%s): "},
    {"Unknown output format: ", "Formato di output sconosciuto: "},
    {"--%s must be 0 to %u: ", "--%s deve essere da 0 a %u: "},
    {"The language must be en or it: ", "La lingua deve essere en o it: "},
    {"not a carrier", "non è un carrier"},
    {"Total", "Totale"},
    {"not used: ", "non usato: "},
    {"The carriers hold too few bits: %s more needed (%s of %s). Nothing was written.",
     "I carrier hanno troppo pochi bit: ne servono altri %s (%s di %s). Nulla è stato scritto."},
    {"No file to hide.", "Nessun file da nascondere."},
    {"Not among the hidden files: ", "Non fra i file nascosti: "},
    {"Target carriers written to ", "Carrier destinazione scritti in "},
    {"Copyright mark (1-100 characters): ", "Marchio di copyright (1-100 caratteri): "},
    {"Copyright mark again: ", "Ripetere il marchio di copyright: "},
    {"The copyright mark must be 1 to 100 characters (bytes), typed the same twice.",
     "Il marchio di copyright deve avere da 1 a 100 caratteri (byte), digitati 2 volte uguali."},
    {"No copyright mark: give --mark-file FILE or set MURL_MARK, or run on a terminal.",
     "Nessun marchio di copyright: usate --mark-file FILE o MURL_MARK, o un terminale."},
    {"Couldn't read the mark file: ", "Impossibile leggere il file del marchio: "},
    {"Nothing was marked: every carrier given must be usable.",
     "Nulla è stato marcato: ogni carrier indicato deve essere utilizzabile."},
    {"Created the output folder (for you alone): ",
     "Creata la cartella di output (accessibile solo a voi): "},
    {"Couldn't create the output folder: ", "Impossibile creare la cartella di output: "},
    {"Couldn't print the Process Report, the only record of the carrier order and the levels.",
     "Impossibile stampare il Rapporto Operazione, l'unica traccia dell'ordine dei carrier e dei "
     "livelli."},
    {"The first line is longer than any it may hold: ",
     "La prima riga è più lunga di quanto possa contenere: "},
    {"Interrupted.", "Interrotto."},
};
static_assert(std::size(kTexts) == static_cast<size_t>(Text::kCount));

}  // namespace

const char* text(Text id, platform::Language language) {
  return pick(kTexts[static_cast<size_t>(id)], language);
}

}  // namespace murl::cli
