#include "ConvertOptions.h"

#include <charconv>

namespace {

std::optional<int64_t> milliseconds(const std::string& text) {
    int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < 0) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::string convertUsage() {
    return "Usage: movara-convert --profile NAME --output DIR [--merge] [--begin MS] [--end MS]\n"
           "                      [--exists overwrite|skip|rename] [EDITS] FILE...\n"
           "       movara-convert --estimate --profile NAME [--begin MS] [--end MS] [EDITS] FILE...\n"
           "       movara-convert --list-profiles | --help | --version\n"
           "\n"
           "Converts each FILE with the named profile into DIR/<name>.<extension of the profile>.\n"
           "\n"
           "  --profile NAME           the exact name of a profile, as --list-profiles prints it\n"
           "  --output DIR             the folder the outputs go to; it must exist\n"
           "  --merge                  all FILEs, in order, into one output named after the first\n"
           "  --begin MS, --end MS     cut every source to a clip, in milliseconds\n"
           "  --exists overwrite|skip|rename\n"
           "                           when an output is already there: replace it once the new\n"
           "                           one is complete, skip the item, or (the default) add a\n"
           "                           time stamp _YYYY_MM_DD_hh_mm_ss to the new name\n"
           "  --estimate               convert nothing: print each FILE's estimated output size\n"
           "                           in bytes (with the profile, clip and edits), a tab, and\n"
           "                           the FILE; --output is not needed\n"
           "  --list-profiles          print the catalogue: name, category and extension, by tabs\n"
           "  --help                   print this help\n"
           "  --version                print the version\n"
           "\n" +
           editsUsage() + captureUsage() +
           "\n"
           "States and progress go to stderr (one line per item, updated in place on a\n"
           "terminal), each finished output's path to stdout. Exit code: 0 when every item\n"
           "finished, 1 when any did not, 2 for a usage error, 130 when interrupted.\n"
           "\n"
           "Example: convert every AVI of a folder for a phone.\n"
           "  movara-convert --profile \"3GPP-3rd Generation Partnership Project(176x144)(*.3gp)\" \\\n"
           "      --output ~/phone ~/videos/*.avi\n";
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
    bool filesOnly = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (filesOnly || arg.empty() || arg[0] != '-' || arg == "-") {
            options.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            filesOnly = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (arg == "--version") {
            options.version = true;
            continue;
        }
        if (arg == "--list-profiles") {
            options.listProfiles = true;
            continue;
        }
        std::string captureError;
        if (parseCaptureOption(args, &i, &options.capture, &captureError)) {
            if (!captureError.empty()) {
                return fail(captureError);
            }
            continue;
        }
        if (arg == "--merge") {
            options.merge = true;
            continue;
        }
        if (arg == "--estimate") {
            options.estimate = true;
            continue;
        }
        if (isEditOption(arg)) {
            if (i + 1 >= args.size()) {
                return fail(arg + " needs a value");
            }
            std::string message;
            if (!parseEditOption(arg, args[++i], options.edits, &message)) {
                return fail(message);
            }
            continue;
        }
        const bool takesValue = arg == "--profile" || arg == "--output" || arg == "--begin" ||
                                arg == "--end" || arg == "--exists";
        if (!takesValue) {
            return fail("unknown option " + arg);
        }
        if (i + 1 >= args.size()) {
            return fail(arg + " needs a value");
        }
        const std::string& value = args[++i];
        if (arg == "--profile") {
            options.profile = value;
        } else if (arg == "--output") {
            options.outputFolder = value;
        } else if (arg == "--begin" || arg == "--end") {
            const auto ms = milliseconds(value);
            if (!ms) {
                return fail(arg + " takes a number of milliseconds, not \"" + value + "\"");
            }
            (arg == "--begin" ? options.begin : options.end) = *ms;
        } else if (value == "overwrite") {
            options.exists = ExistingOutput::Overwrite;
        } else if (value == "skip") {
            options.exists = ExistingOutput::Skip;
        } else if (value == "rename") {
            options.exists = ExistingOutput::Rename;
        } else {
            return fail("--exists takes overwrite, skip or rename, not \"" + value + "\"");
        }
    }
    if (options.help || options.version || options.listProfiles || options.capture.listDevices) {
        return options;
    }
    if (options.profile.empty()) {
        return fail("--profile is required");
    }
    if (options.outputFolder.empty() && !options.estimate) {
        return fail("--output is required");
    }
    if (const std::string captureError = checkCaptureOptions(options.capture);
        !captureError.empty()) {
        return fail(captureError);
    }
    if (options.files.empty() && !options.capture.records()) {
        return fail("no input files");
    }
    if (options.begin && options.end && *options.end <= *options.begin) {
        return fail("--end must come after --begin");
    }
    if (const std::string message = checkEdits(options.edits); !message.empty()) {
        return fail(message);
    }
    return options;
}
