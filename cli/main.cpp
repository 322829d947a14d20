// quillon-cli: the conversion, the extraction and the source inspection of the main
// window, for batch use, and the verification of containers.
#include <QCoreApplication>
#include <QDir>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_program.h"
#include "common/file_io.h"
#include "source/source_kinds.h"

namespace {

constexpr const char* kUsage = "Usage: quillon-cli [--program-folder DIR] VERB ...";

constexpr std::size_t kHelpWidth = 88;

// The help's first paragraph, around the list of the sources it takes.
constexpr const char* kPurposeBefore = "Turns PlayStation disc images (";
constexpr const char* kPurposeAfter =
    ") into PSP EBOOT.PBP containers and back, as the Quillon window does. Each run starts as a freshly started "
    "program: fields empty, settings from Files/options.ini, game list from Files/gameInfo.txt.";

constexpr const char* kVerbsAndOptions = R"(Verbs:
  convert SOURCE [--output DIR] [--title T] [--save-title T] [--id-prefix P]
          [--id-number N] [--icon0 F] [--icon1 F] [--pic0 F] [--pic1 F] [--snd0 F]
          [--warning F] [--pal-fix] [--compression L]
      Inspects SOURCE as choosing it in the window does (titles, save ID, output folder,
      artwork and warning picture), applies the options, then converts it into
      EBOOT.PBP. --output DIR sets the output folder and appends the per-game
      sub-folder that the folderOption setting asks for, as the output-folder browser
      does. --compression L is the popstation compression level (a digit from 0 to 9,
      or nothing: --compression "") in place of the setting; --compression max packs
      every block at the strongest level, for the smallest container, at several times
      the time of level 9 (this run only, never a setting; Quillon's own popstation
      tool only).

  convert SOURCE... --output DIR [--jobs N] [--redo] [--dry-run] [--pal-fix]
          [--compression L]
      Converts several games in one run: with more than one SOURCE, a folder, or any
      of --jobs, --redo, --dry-run. Folders are searched with their sub-folders (never
      DIR): a .m3u playlist with its discs, a .cue sheet with its files, a .chd, a lone
      .iso/.img/.bin and a .pbp are each one game. Each game goes into its own folder
      below DIR, named as the folderOption setting says, else after its save ID; games
      that would share a folder are reported first and not converted. The options that
      name one game's values are refused. --jobs N conversions run at once, each in a
      work folder of its own (default: one per core at level 0, half the cores
      otherwise). A game whose EBOOT.PBP is not older than its newest file (by more than
      2 s) is skipped unless --redo is given. --dry-run lists what would be done. One
      line per game as it ends, then a table; exit status 0 when every game was
      converted or skipped, 1 when one failed. A signal stops the run: finished games
      stay, the next run goes on.

  extract SOURCE OUTPUT [--disc N]
      Writes the disc image stored in the container SOURCE (.pbp) into OUTPUT, the name
      the save dialog would be given: ".iso" is appended unless OUTPUT ends in .iso.
      The image is cut to the length of the disc that the container's table of contents
      records, without the zero bytes that complete its last block. A disc of several
      tracks gets a cue sheet beside its image (the image's name with .cue in place of
      .iso) that names the image as one file holding every track.
      A container of several discs gives every disc: for OUTPUT NAME.iso, disc 1 goes
      to "NAME (Disc 1).iso", disc 2 to "NAME (Disc 2).iso", and so on. --disc N writes
      disc N alone, to OUTPUT. The files appear only once all of them are written.
      Existing files other than OUTPUT are replaced only when the terminal answers yes
      to the one question that lists them.
      A block that does not match its checksum is written all the same; a message then
      says how many did not match and that the image may be damaged (exit status 1).
      SOURCE is taken as it stands: it is not inspected, so no artwork is written out.

  extract CONTAINER... --output DIR [--jobs N] [--redo] [--dry-run]
      Extracts every container named (a folder: the .pbp files below it, DIR never
      searched) into DIR, each as above under its PARAM.SFO title made safe as a file
      name ("TITLE.iso", "TITLE (Disc 1).iso", ...; the file name when there is no
      title). Containers that would write the same image are reported first and not
      extracted. --jobs N extractions run at once (default 1: each already inflates on
      every core). A container whose images all exist and are not older than it (by
      more than 2 s) is skipped unless --redo is given; out-of-date images are
      replaced. --dry-run lists what would be done. One line per container, a table,
      and the exit status of a batch conversion.

  inspect SOURCE
      Inspects SOURCE as choosing it in the window does, writing the same files, and
      prints one "key: value" line per field: kind (pbp, image or missing), disc-id,
      title, save-title, region, output, icon0, icon1, pic0, pic1, snd0, warning.

  verify [--jobs N] CONTAINER...
      Reads each container (.pbp; a folder: the containers below it) as the emulators' readers need it, and writes nothing:
      every block of every disc (inflated, checked against its stored size and the
      SHA-1 checksum in the index), the block index (its blocks one after the other,
      its end entry, the blocks up to 150 sectors past the image's end that
      DuckStation reads), the table of contents against the blocks, the disc table,
      PARAM.SFO (BOOTABLE, CATEGORY), the image data's position at +0xBFC of each
      disc-image block, and a LibCrypt sidecar beside it (EBOOT.sbi, or EBOOT_N.sbi
      for disc N of several). Prints one line per container, then one line per
      finding: the readers it stops, then what is wrong. Limits of some readers that
      follow from the compression level or the data are "note:" lines. "level 0"
      means that every block is stored as it is, "deflated" that every block is
      deflated (the level cannot be told from the blocks).
      Exit status 1 when a container is damaged or has a fault that its writer could
      have avoided (notes alone keep 0), or cannot be read.

Options:
  --program-folder DIR  use DIR as the program folder (Files/, Pics/) instead of the
                        executable's folder, or, for an installed program, the shipped
                        files and the user's folders
  --help                show this text
  --version             show the program's version

Output: stdout gets the final status-line text (convert, extract), the field lines
(inspect) or the report (verify); stderr gets the text of every message box the window would show, and a
progress line when it is a terminal.
Exit status: 0 when no message was shown, 1 when one was, 2 for a usage error; 130 when
Ctrl+C stopped the operation (it acts as the "Abort" button), 143 and 129 when SIGTERM
or SIGHUP did (they act as Ctrl+C). A signal that comes after the operation's last
look for one does not stop it, and does not change the exit status.
)";

// `text` in lines of at most `width` characters, broken at blanks.
std::string wrapped(const std::string& text, std::size_t width) {
    std::string lines;
    std::size_t lineStart = 0;
    std::istringstream words(text);
    for (std::string word; words >> word;) {
        if (lines.size() > lineStart && lines.size() - lineStart + 1 + word.size() > width) {
            lines += '\n';
            lineStart = lines.size();
        } else if (lines.size() > lineStart) {
            lines += ' ';
        }
        lines += word;
    }
    return lines;
}

std::string helpText() {
    const std::string purpose = kPurposeBefore + quillon::sourceKindsInWords() + kPurposeAfter;
    return std::string(kUsage) + "\n\n" + wrapped(purpose, kHelpWidth) + "\n\n" + kVerbsAndOptions;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<std::string> args = quillon::programArguments(argc, argv);
    // Without --program-folder: the executable's folder when it holds a writable Files
    // folder, else the installed layout.
    std::optional<std::string> programFolder;

    std::size_t next = 0;
    while (next < args.size() && args[next].starts_with("--")) {
        const std::string option = args[next];
        if (option == "--help") {
            std::cout << helpText();
            return 0;
        }
        if (option == "--version") {
            std::cout << "Quillon " QUILLON_VERSION "\n";
            return 0;
        }
        const quillon::OptionWord word = quillon::splitOption(option);
        const std::optional<std::string> folder =
            word.name == "--program-folder" ? quillon::optionValue(word, args, next) : std::nullopt;
        if (!folder) return quillon::usageError("unknown option " + option);
        programFolder = quillon::absolutePath(*folder);
        next += 1;
    }
    if (next >= args.size()) return quillon::usageError("no verb given");
    const std::string verb = args[next];
    const std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(next) + 1, args.end());
    if (verb == "verify") return quillon::runVerifyVerb(rest);
    const auto folder = programFolder
                            ? quillon::ProgramFolder(*programFolder)
                            : quillon::ProgramFolder::forExecutable(
                                  QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString(),
                                  quillon::userHomeFolder());
    if (!folder) {
        std::cerr << folder.error().message << "\n";
        return 1;
    }
    quillon::CliProgram program(*folder);
    if (verb == "convert") return quillon::runConvertVerb(program, rest);
    if (verb == "extract") return quillon::runExtractVerb(program, rest);
    if (verb == "inspect") return quillon::runInspectVerb(program, rest);
    return quillon::usageError("unknown verb " + verb);
}
