#include "core/messages.h"

#include <iterator>

namespace murl {
namespace {

struct Entry {
  MessageKind kind;
  const char* english;
  const char* italian;
};

// In MessageId order.
constexpr Entry kMessages[] = {
    {MessageKind::kError, "Couldn't load internal resource!",
     "Impossibile caricare risorsa interna!"},  // kCouldntLoadInternalResource
    {MessageKind::kError, "Couldn't create brush!",
     "Impossibile creare brush!"},  // kCouldntCreateBrush
    {MessageKind::kError, "Needed at least 256 colors!",
     "Necessari almeno 256 colori!"},  // kNeeded256Colors
    {MessageKind::kError, "Needed at least 640x480 resolution!",
     "Necessaria risoluzione di almeno 640x480!"},                   // kNeeded640x480
    {MessageKind::kWarning, "Out of memory!", "Memoria esaurita!"},  // kOutOfMemory
    {MessageKind::kError, "Couldn't create window item!",
     "Impossibile creare elemento della finestra!"},  // kCouldntCreateWindowItem
    {MessageKind::kWarning, "Couldn't read from source file!",
     "Impossibile leggere il file sorgente!"},  // kCouldntReadSourceFile
    {MessageKind::kWarning, "Wrong carrier bits number!",
     "Numero di carrier bit scorretto!"},  // kWrongCarrierBitsNumber
    {MessageKind::kWarning, "Couldn't write to target file!",
     "Impossibile scrivere il file destinazione!"},  // kCouldntWriteTargetFile
    {MessageKind::kWarning, "Couldn't read from temp file!",
     "Impossibile leggere il file temp!"},  // kCouldntReadTempFile
    {MessageKind::kWarning, "Couldn't write to temp file!",
     "Impossibile scrivere il file temp!"},  // kCouldntWriteTempFile
    {MessageKind::kWarning, "Couldn't read from file!",
     "Impossibile leggere il file!"},  // kCouldntReadFile
    {MessageKind::kWarning, "Couldn't create interface!",
     "Impossibile creare interfaccia!"},  // kCouldntCreateInterface
    {MessageKind::kWarning, "Exceeding folder name lenght!\r\nMax 64Kb",
     "Nome cartella eccessivamente lungo!\r\nMassimo 64Kb"},  // kFolderNameTooLong
    {MessageKind::kWarning, "Exceeding hiding path lenght!\r\nMax 64Kb",
     "Path dell'albero eccessivamente lungo!\r\nMassimo 64Kb"},  // kHidingPathTooLong
    {MessageKind::kError, "Couldn't start thread!",
     "Impossibile lanciare thread!"},  // kCouldntStartThread
    {MessageKind::kWarning, "Error while compressing data!",
     "Errore nella compressione!"},  // kCompressionError
    {MessageKind::kWarning, "Exceeding hiding data bits!\r\nMax 4GBits",
     "Troppi bit da nascondere!\r\nMassimo 4GBits"},  // kHidingDataBitsTooMany
    {MessageKind::kWarning, "Couldn't open source file!",
     "Impossibile aprire il file sorgente!"},  // kCouldntOpenSourceFile
    {MessageKind::kWarning, "Couldn't create target file!",
     "Impossibile creare il file destinazione!"},  // kCouldntCreateTargetFile
    {MessageKind::kWarning, "Couldn't open carrier!",
     "Impossibile aprire il carrier!"},  // kCouldntOpenCarrier
    {MessageKind::kWarning, "Couldn't open file!",
     "Impossibile aprire il file!"},  // kCouldntOpenFile
    {MessageKind::kWarning, "Invalid data: extracting aborted!",
     "Dati incoerenti: estrazione terminata!"},  // kInvalidData
    {MessageKind::kWarning, "Max subfolders number is 65535!",
     "Massimo 65535 cartelle!"},  // kMaxSubfolders
    {MessageKind::kWarning, "Max carriers number is 65535!",
     "Massimo 65535 carrier!"},                                                    // kMaxCarriers
    {MessageKind::kWarning, "Max files number is 65535!", "Massimo 65535 file!"},  // kMaxFiles
    {MessageKind::kWarning, "Enough carriers already added!",
     "Aggiunti già abbastanza carrier!"},  // kEnoughCarriers
    {MessageKind::kWarning, "Carrier already added!",
     "Carrier già aggiunto!"},  // kCarrierAlreadyAdded
    {MessageKind::kWarning, "Max total carrier bits is 4Gbits!",
     "Massimo 4Gbit di carrier bit!"},  // kMaxTotalCarrierBits
    {MessageKind::kWarning, "Couldn't write file!",
     "Impossibile scrivere il file!"},  // kCouldntWriteFile
    {MessageKind::kWarning, "Couldn't create file!",
     "Impossibile creare il file!"},  // kCouldntCreateFile
    {MessageKind::kWarning, "Couldn't create folder!",
     "Impossibile creare la cartella!"},  // kCouldntCreateFolder
    {MessageKind::kWarning, "Exceeding file name lenght!\r\nMax 64Kb",
     "Nome file eccessivamente lungo!\r\nMassimo 64Kb"},  // kFileNameTooLong
    {MessageKind::kWarning, "No carrier bits or unsupported file type!",
     "Nessun carrier bit o file non supportato!"},  // kNoCarrierBits
    {MessageKind::kWarning, "Insufficient carrier bits!",
     "Carrier bit insufficienti!"},                                    // kInsufficientCarrierBits
    {MessageKind::kQuestion, "Are you sure?", "Siete sicuri?"},        // kQuitAreYouSure
    {MessageKind::kCaption, "Quit requested", "Richiesta di uscita"},  // kQuitRequested
    {MessageKind::kQuestion, "Needed an Output Folder to continue.\r\nBack to Main Menu?",
     "Necessita una cartella di output per continuare.\r\nTornare al Menu Principale?"},  // kNeedOutputFolder
    {MessageKind::kQuestion, "Target carrier already exists!\r\nOverwrite?",
     "Il carrier destinazione esiste già!\r\nSovrascrivere?"},  // kTargetExistsOverwrite
    {MessageKind::kQuestion, "File already exists!\r\nOverwrite?",
     "Il file esiste già!\r\nSovrascrivere?"},  // kFileExistsOverwrite
    {MessageKind::kReport, "Extraction successfully completed",
     "Estrazione completata con successo"},  // kExtractionCompleted
    {MessageKind::kWarning, "Last carrier is out of stream range: change carriers order",
     "L'ultimo carrier è fuori dal range dello stream: cambiare l'ordine dei carrier"},  // kLastCarrierOutOfRange
    {MessageKind::kWarning, "Last %u carriers are out of stream range: change carriers order",
     "Gli ultimi %u carrier sono fuori dal range dello stream: cambiare l'ordine dei carrier"},  // kLastCarriersOutOfRange
    {MessageKind::kQuestion, "Couldn't open file!\r\nContinue scanning other files?",
     "Impossibile aprire il file!\r\nContinuare la scansione degli altri file?"},  // kScanCouldntOpenFile
    {MessageKind::kQuestion, "File bigger than 256Mb!\r\nContinue scanning other files?",
     "File più grande di 256Mb!\r\nContinuare la scansione degli altri file?"},  // kScanFileTooBig
    {MessageKind::kQuestion, "Max total size is 256Mb!\r\nContinue scanning other files?",
     "La dimensione totale massima è 256Mb!\r\nContinuare la scansione degli altri file?"},  // kScanTotalTooBig
    {MessageKind::kQuestion, "File already added!\r\nContinue scanning other files?",
     "File già aggiunto!\r\nContinuare la scansione degli altri file?"},  // kScanFileAlreadyAdded
    {MessageKind::kQuestion, "Folder already added!\r\nContinue scanning other files?",
     "Cartella già aggiunta!\r\nContinuare la scansione degli altri file?"},  // kScanFolderAlreadyAdded
    {MessageKind::kWarning, "Hidden data too big once packed!\r\nMax 256Mb",
     "Dati da nascondere troppo grandi una volta compressi!\r\nMassimo 256Mb"},  // kHiddenStreamTooLong
    {MessageKind::kWarning,
     "Target carrier is the source carrier itself!\r\nChoose another output folder",
     "Il carrier destinazione è lo stesso carrier sorgente!\r\nScegliere un'altra cartella di "
     "output"},  // kTargetIsSource
    {MessageKind::kWarning, "Name not allowed in hidden data!\r\nRename it and try again:",
     "Nome non ammesso nei dati nascosti!\r\nRinominarlo e riprovare:"},  // kHiddenNameUnusable
    {MessageKind::kWarning, "Target carrier doesn't read back as written!",
     "Il carrier destinazione non si rilegge come è stato scritto!"},  // kTargetNotAsWritten
};
static_assert(std::size(kMessages) == static_cast<size_t>(MessageId::kCount));

const Entry& entry(MessageId id) { return kMessages[static_cast<size_t>(id)]; }

}  // namespace

MessageKind messageKind(MessageId id) { return entry(id).kind; }

const char* messageText(MessageId id, Language language) {
  return language == Language::kItalian ? entry(id).italian : entry(id).english;
}

const char* messageTitle(MessageId id, Language language) {
  bool italian = language == Language::kItalian;
  switch (messageKind(id)) {
    case MessageKind::kError:
      return italian ? "Errore" : "Error";
    case MessageKind::kReport:
      return italian ? "Rapporto" : "Report";
    case MessageKind::kQuestion:
      if (id == MessageId::kQuitAreYouSure) return messageText(MessageId::kQuitRequested, language);
      return italian ? "Attenzione" : "Warning";
    default:
      return italian ? "Attenzione" : "Warning";
  }
}

std::string formatMessage(MessageId id, Language language, uint32_t number) {
  std::string text = messageText(id, language);
  size_t at = text.find("%u");
  if (at != std::string::npos) text.replace(at, 2, std::to_string(number));
  return text;
}

}  // namespace murl
