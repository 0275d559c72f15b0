#include "ConvertOptions.h"

#include <QCommandLineParser>
#include <QStringList>

#include <algorithm>
#include <charconv>
#include <map>

namespace {

std::optional<int64_t> milliseconds(const std::string& text) {
    int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < 0) {
        return std::nullopt;
    }
    return value;
}

// "10M", "500K", "1G" (powers of 1024), "1.5M", or plain bytes.
std::optional<int64_t> sizeInBytes(const std::string& text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || !(value > 0.0))
        return std::nullopt;
    double unit = 1.0;
    const std::string suffix(ptr, end);
    if (suffix == "K" || suffix == "k")
        unit = 1024.0;
    else if (suffix == "M" || suffix == "m")
        unit = 1024.0 * 1024;
    else if (suffix == "G" || suffix == "g")
        unit = 1024.0 * 1024 * 1024;
    else if (!suffix.empty())
        return std::nullopt;
    const double bytes = value * unit;
    if (bytes < 1.0 || bytes > 1e15)
        return std::nullopt;
    return int64_t(bytes);
}

std::optional<double> decibels(const std::string& text, double low, double high) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high)
        return std::nullopt;
    return value;
}

CliGroup generalGroup() {
    return {"General",
            {{{"h", "help"}, "", "Print this help."},
             {{"list-profiles"},
              "",
              "Print the catalogue: name, category, extension and short alias, by tabs."},
             {{"long"},
              "",
              "With --list-profiles: also container, codecs, frame size and bit rates."},
             {{"list-tracks"},
              "",
              "Convert nothing: print each FILE's sound and subtitle tracks with their numbers, "
              "language, coding and the one marked default, as --audio-track and "
              "--burn-subtitles take them."}}};
}

CliGroup conversionGroup() {
    return {
        "Conversion",
        {{{"profile"},
          "NAME",
          "The profile: its name as --list-profiles prints it (any case), its alias, or a "
          "unique beginning of its name."},
         {{"output"}, "DIR", "The folder the outputs go to; it must exist."},
         {{"o", "output-file"},
          "FILE",
          "The output of a single FILE or of --merge, instead of --output; it ends in the "
          "profile's extension (added when it has none)."},
         {{"merge"},
          "",
          "All FILEs, in order, into one output named after the first (its tags, cover and "
          "subtitle tracks)."},
         {{"audio-track"},
          "N",
          "The sound of each FILE from its N-th sound track (see --list-tracks), instead of "
          "the one the file marks default."},
         {{"burn-subtitles"},
          "N",
          "Draw each FILE's N-th subtitle track (text or pictures, see --list-tracks) into the "
          "pictures. Without it, text subtitles are kept as subtitles the player can switch "
          "where the output can hold them (MP4, M4V, MOV, 3GP as mov_text; MKV as SRT or "
          "ASS)."},
         {{"begin"}, "MS", "Cut every source to a clip starting here, in milliseconds."},
         {{"end"}, "MS", "... and ending here."},
         {{"exists"},
          "overwrite|skip|rename",
          "When an output is already there: replace it once the new one is complete, skip "
          "the item (counted as done), or (the default) add a time stamp "
          "_YYYY_MM_DD_hh_mm_ss to the new name."},
         {{"fit-size"},
          "SIZE",
          "Make each output (a merge: the whole) at most SIZE: bytes, or with K, M or G "
          "(powers of 1024), e.g. 10M. With --estimate: print the video bit rate it would "
          "use and the predicted size."},
         {{"estimate"},
          "",
          "Convert nothing: print each FILE's measured output size in bytes (with the "
          "profile, clip and edits), a tab, and the FILE; no output is needed."},
         {{"loudness"},
          "LUFS",
          "Bring each output's sound (each part of a merge) to this integrated loudness "
          "(EBU R128, -40 to -5; e.g. -14 streaming, -16 mobile, -23 broadcast) with one "
          "gain; peaks are held under --true-peak. Sound that would need more than +20 dB "
          "(near-silence) is left as it is."},
         {{"true-peak"}, "DBTP", "With --loudness: the true-peak ceiling, -9 to 0 (default -1)."},
         {{"measure-loudness"},
          "",
          "Convert nothing: print each FILE's integrated loudness (LUFS), true peak (dBTP) "
          "and loudness range (LU), by tabs, then the FILE. With --profile (and --begin, "
          "--end) the sound as that profile converts it; no output is needed."}}};
}

CliGroup reportGroup() {
    return {"What is printed",
            {{{"json"},
              "",
              "stdout carries only JSON lines, one object per event (see the manual page)."},
             {{"q", "quiet"}, "", "Print only failures on stderr."},
             {{"0", "print0"}, "", "End each output path on stdout with NUL, not a newline."}}};
}

std::vector<CliGroup> optionGroups() {
    return {generalGroup(), conversionGroup(), editOptionGroup(), captureOptionGroup(),
            reportGroup()};
}

QCommandLineOption qtOption(const CliOption& option) {
    QStringList names;
    for (const std::string& name : option.names)
        names << QString::fromStdString(name);
    return QCommandLineOption(names, QString::fromStdString(option.description),
                              QString::fromStdString(option.valueName));
}

// Qt reads arguments as UTF-8 text; a file name may be any bytes. Such an argument goes through
// the parser as a stand-in and comes back as it was.
class ArgumentBytes {
public:
    QStringList encode(const std::vector<std::string>& args) {
        QStringList out{"movara-convert"};
        for (const std::string& arg : args) {
            const QString text = QString::fromStdString(arg);
            if (text.toStdString() == arg) {
                out << text;
                continue;
            }
            // "--option=<bytes>" keeps its option name; only the value stands in.
            const size_t equals = arg.find('=');
            const bool optionValue =
                arg.rfind("--", 0) == 0 && equals != std::string::npos &&
                std::all_of(arg.begin(), arg.begin() + equals, [](char c) { return c > 0; });
            const std::string prefix = optionValue ? arg.substr(0, equals + 1) : std::string();
            const QString token = QString("\u0001%1\u0001").arg(originals_.size());
            originals_[token] = arg.substr(prefix.size());
            out << QString::fromStdString(prefix) + token;
        }
        return out;
    }
    std::string decode(const QString& text) const {
        const auto found = originals_.find(text);
        return found != originals_.end() ? found->second : text.toStdString();
    }

private:
    std::map<QString, std::string> originals_;
};

} // namespace

std::string convertUsage() {
    std::string text =
        "Usage: movara-convert --profile NAME (--output DIR | -o FILE) [--merge] [--begin MS]\n"
        "                      [--end MS] [--exists overwrite|skip|rename] [EDITS] FILE...\n"
        "       movara-convert --estimate --profile NAME [--begin MS] [--end MS] [EDITS] FILE...\n"
        "       movara-convert --measure-loudness [--profile NAME] [--begin MS] [--end MS] "
        "FILE...\n"
        "       movara-convert --list-tracks FILE...\n"
        "       movara-convert --list-profiles [--long] | --list-devices | --help | --version\n"
        "\n"
        "Converts each FILE with the profile into DIR/<name>.<extension of the profile>.\n";
    for (const CliGroup& group : optionGroups()) {
        // The library lays out each group's lines; only its own "Usage:" head is dropped.
        QCommandLineParser parser;
        if (group.title == "General")
            parser.addVersionOption();
        for (const CliOption& option : group.options)
            parser.addOption(qtOption(option));
        const std::string help = parser.helpText().toStdString();
        const size_t options = help.find("Options:\n");
        text += "\n" + group.title + ":\n" +
                (options == std::string::npos ? help : help.substr(options + 9));
    }
    return text +
           "\n"
           "States and progress go to stderr (one line per item, updated in place on a\n"
           "terminal), each finished output's path to stdout. Exit code: 0 when every item\n"
           "finished or was skipped, 1 when any did not, 2 for a usage error, 128 + the signal\n"
           "when stopped (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP).\n"
           "\n"
           "Example: convert every AVI of a folder for a phone.\n"
           "  movara-convert --profile 3gp-176x144 --output ~/phone ~/videos/*.avi\n";
}

std::string convertVersion() {
    return std::string("movara-convert ") + MOVARA_VERSION + "\n";
}

std::optional<ConvertOptions> parseConvertOptions(const std::vector<std::string>& args,
                                                  std::string* error) {
    ConvertOptions options;
    auto fail = [&](const std::string& message) -> std::optional<ConvertOptions> {
        if (error) {
            *error = message;
        }
        return std::nullopt;
    };
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser.addVersionOption();
    const std::vector<CliGroup> groups = optionGroups();
    for (const CliGroup& group : groups)
        for (const CliOption& option : group.options)
            parser.addOption(qtOption(option));
    ArgumentBytes bytes;
    if (!parser.parse(bytes.encode(args))) {
        // Qt's own sentence, which names the option, without its full stop.
        std::string message = parser.errorText().toStdString();
        if (!message.empty() && message.back() == '.')
            message.pop_back();
        return fail(message);
    }
    auto set = [&](const char* name) { return parser.isSet(QString::fromLatin1(name)); };
    auto value = [&](const char* name) {
        return bytes.decode(parser.value(QString::fromLatin1(name)));
    };

    options.help = set("help");
    options.version = set("version");
    options.listProfiles = set("list-profiles");
    options.longList = set("long");
    options.capture.listDevices = set("list-devices");
    options.merge = set("merge");
    options.estimate = set("estimate");
    options.measureLoudness = set("measure-loudness");
    options.listTracks = set("list-tracks");
    options.json = set("json");
    options.quiet = set("quiet");
    options.print0 = set("print0");
    options.profile = value("profile");
    options.outputFolder = value("output");
    options.outputFile = value("output-file");
    for (const QString& file : parser.positionalArguments())
        options.files.push_back(bytes.decode(file));
    for (const char* name : {"begin", "end"}) {
        if (!set(name))
            continue;
        const auto ms = milliseconds(value(name));
        if (!ms)
            return fail(std::string("--") + name + " takes a number of milliseconds, not \"" +
                        value(name) + "\"");
        (name == std::string("begin") ? options.begin : options.end) = *ms;
    }
    for (const char* name : {"audio-track", "burn-subtitles"}) {
        if (!set(name))
            continue;
        const auto number = milliseconds(value(name)); // a whole number, at least 0
        if (!number || *number < 1 || *number > 99)
            return fail(std::string("--") + name + " takes a track number from 1 to 99 (see "
                                                    "--list-tracks), not \"" + value(name) + "\"");
        (name == std::string("audio-track") ? options.audioTrack : options.burnSubtitles) =
            int32_t(*number);
    }
    if (set("fit-size")) {
        const auto bytes = sizeInBytes(value("fit-size"));
        if (!bytes)
            return fail("--fit-size takes a size such as 10M, 500K or 1G, not \"" +
                        value("fit-size") + "\"");
        options.fitSize = *bytes;
    }
    if (set("loudness")) {
        options.loudness = decibels(value("loudness"), -40.0, -5.0);
        if (!options.loudness)
            return fail("--loudness takes LUFS from -40 to -5, not \"" + value("loudness") + "\"");
    }
    if (set("true-peak")) {
        const auto ceiling = decibels(value("true-peak"), -9.0, 0.0);
        if (!ceiling)
            return fail("--true-peak takes dBTP from -9 to 0, not \"" + value("true-peak") + "\"");
        if (!options.loudness)
            return fail("--true-peak goes with --loudness");
        options.truePeak = *ceiling;
    }
    if (set("exists")) {
        const std::string mode = value("exists");
        if (mode == "overwrite")
            options.exists = ExistingOutput::Overwrite;
        else if (mode == "skip")
            options.exists = ExistingOutput::Skip;
        else if (mode == "rename")
            options.exists = ExistingOutput::Rename;
        else
            return fail("--exists takes overwrite, skip or rename, not \"" + mode + "\"");
    }
    // Edits and recording options in the order given, each value checked by its own group.
    for (const CliGroup& group : {groups[2], groups[3]}) {
        for (const CliOption& option : group.options) {
            const QString name = QString::fromStdString(option.names.back());
            if (option.valueName.empty() || !parser.isSet(name))
                continue;
            const std::string flag = "--" + option.names.back();
            for (const QString& text : parser.values(name)) {
                std::string message;
                const std::string v = bytes.decode(text);
                const bool parsed = group.title == groups[2].title
                                        ? parseEditOption(flag, v, options.edits, &message)
                                        : parseCaptureValue(flag, v, &options.capture, &message);
                if (!parsed)
                    return fail(message);
            }
        }
    }

    if (options.help || options.version || options.capture.listDevices)
        return options;
    if (options.longList && !options.listProfiles)
        return fail("--long goes with --list-profiles");
    if (options.listProfiles)
        return options;
    if (options.listTracks) {
        if (options.files.empty())
            return fail("no input files");
        return options;
    }
    if (options.measureLoudness) {
        if (options.files.empty())
            return fail("no input files");
        if (options.capture.records())
            return fail("--measure-loudness measures files, not a recording");
        return options;
    }
    if (options.profile.empty())
        return fail("--profile is required");
    if (!options.outputFolder.empty() && !options.outputFile.empty())
        return fail("--output and --output-file exclude each other");
    if (options.outputFolder.empty() && options.outputFile.empty() && !options.estimate)
        return fail("--output or --output-file is required");
    if (const std::string captureError = checkCaptureOptions(options.capture);
        !captureError.empty())
        return fail(captureError);
    const size_t items = options.files.size() + (options.capture.records() ? 1 : 0);
    if (items == 0)
        return fail("no input files");
    if (!options.outputFile.empty() && items > 1 && !options.merge)
        return fail("--output-file names one output: give one FILE, or --merge");
    if (options.begin && options.end && *options.end <= *options.begin)
        return fail("--end must come after --begin");
    if (const std::string message = checkEdits(options.edits); !message.empty())
        return fail(message);
    return options;
}
