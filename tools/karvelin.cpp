// karvelin: the library's functions from the command line. What it takes
// and its exit statuses are told once, by Help() below and each verb's
// --help (docs/program.md shows them); this file reads the command line and
// hands each verb to its part: calling (call.cpp), the report (report.cpp),
// JSON (json.cpp).
//
// On Windows it calls Karvelin.dll through its import library; on Linux, the
// native library.
#include <cstdio>
#include <string>
#include <vector>

#include "Karvelin.h"
#include "tools/call.h"
#include "tools/folder_platform.h"
#include "tools/json.h"
#include "tools/log_lines.h"
#include "tools/report.h"

namespace {

using karvelin::program::Args;
using karvelin::program::Command;

constexpr int kUsageError = 2;
constexpr int kCallFailed = 1;

// Which build this is, as --version tells it.
#ifdef _WIN32
constexpr const char* kBuild = sizeof(void*) == 8 ? "64-bit Windows" : "32-bit Windows";
#else
constexpr const char* kBuild = sizeof(void*) == 8 ? "native Linux, 64-bit" : "native Linux, 32-bit";
#endif

int Help() {
    std::printf("usage: karvelin report [--json]             every function without side effects (--json: one JSON object)\n"
                "       karvelin FUNCTION [--json] [ARG...]  one function (--json: its answer as a JSON object)\n"
                "       karvelin list                        the functions and their arguments\n"
                "       karvelin --help, karvelin VERB --help\n"
                "       karvelin --version                   the version, and the build: 32- or 64-bit Windows, or native\n"
                "       karvelin --folder FOLDER ...         runs only in FOLDER, else refuses (exit status 2)\n"
                "       karvelin -v FUNCTION ...             the library's log lines on the error stream (--verbose);\n"
                "                                            without -v, a failed call's failure lines\n"
                "function names are matched without case; numbers are decimal, or hexadecimal after 0x;\n"
                "an argument that starts with -- follows --, as in: karvelin TrimLeft -- --text\n"
                "exit status: 0 when the command ran; 1 for a failed call, as the function's answer says\n"
                "(karvelin FUNCTION --help tells which answers fail); 2 for a usage error\n");
    return 0;
}

constexpr const char* kReportUsage = "report [--json]";
constexpr const char* kListUsage = "list";

int ReportHelp() {
    std::printf("usage: karvelin %s\n"
                "  runs every function that does not change the host, and shows the answers in sections\n"
                "  --json: the same as one JSON object (UTF-8)\n",
                kReportUsage);
    return 0;
}

int ListHelp() {
    std::printf("usage: karvelin %s\n"
                "  the functions, one a line, with their arguments (optional ones in brackets)\n",
                kListUsage);
    return 0;
}

// A help text, indented, in lines of at most 78 characters where its words allow.
void PrintWrapped(const std::string& text) {
    std::string line = " ";
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        if (line.size() > 1 && line.size() + end - start >= 78) {
            std::printf("%s\n", line.c_str());
            line = " ";
        }
        line += " " + text.substr(start, end - start);
        start = end + 1;
    }
    std::printf("%s\n", line.c_str());
}

// "NAME ARG...": a function's usage line, after "karvelin ".
std::string FunctionUsage(const Command& command) {
    const std::string usage = karvelin::program::Usage(command);
    return std::string(command.name) + (usage.empty() ? "" : " ") + usage;
}

int FunctionHelp(const Command& command) {
    std::printf("usage: karvelin %s\n", FunctionUsage(command).c_str());
    PrintWrapped(command.summary);
    PrintWrapped(std::string("answers ") + command.answers);
    if (command.handling == karvelin::Handling::Removal)
        PrintWrapped("then says what is left of DIRECTORY: removed; not there (nor before); still there: N "
                     "entries, or still there: not a folder (exit status 1)");
    if (command.effect == karvelin::Effect::ChangesHost) std::printf("  changes the host\n");
    return 0;
}

// A usage error's last lines: the verb's usage line, when it has one, and where help is.
int UsageError(const std::string& usage, const std::string& verb) {
    if (!usage.empty()) std::fprintf(stderr, "usage: karvelin %s\n", usage.c_str());
    std::fprintf(stderr, "Try 'karvelin %s%s--help'.\n", verb.c_str(), verb.empty() ? "" : " ");
    return kUsageError;
}

// "karvelin: did you mean A, B or C?" for the candidates close to a mistyped name.
void DidYouMean(const std::string& name, const std::vector<std::string>& candidates) {
    const std::vector<std::string> close = karvelin::program::Suggestions(name, candidates);
    if (close.empty()) return;
    std::string names;
    for (std::size_t i = 0; i < close.size(); ++i)
        names += (i == 0 ? "" : i + 1 == close.size() ? " or " : ", ") + close[i];
    std::fprintf(stderr, "karvelin: did you mean %s?\n", names.c_str());
}

// A verb's options (--help, -h, --json, -v, --verbose) anywhere before "--", which ends
// them: every other argument is the verb's, and one that starts with "--"
// before it is an option the verb does not know (the first such, in unknown).
struct Options {
    bool help = false, json = false, verbose = false;
    std::string unknown;
    Args rest;
};
Options TakeOptions(const Args& args) {
    Options options;
    bool ended = false;
    for (const std::string& arg : args) {
        if (ended) {
            options.rest.push_back(arg);
        } else if (arg == "--") {
            ended = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "-v" || arg == "--verbose") {
            options.verbose = true;
        } else if (arg.compare(0, 2, "--") == 0) {
            if (options.unknown.empty()) options.unknown = arg;
        } else {
            options.rest.push_back(arg);
        }
    }
    return options;
}

// An option the verb does not take: an error, with the verb's options closest to it.
int UnknownOption(const std::string& verb, const std::string& usage, const std::string& option,
                  const std::vector<std::string>& known) {
    std::fprintf(stderr, "karvelin: %s has no option %s (an argument that starts with -- follows --)\n",
                 verb.c_str(), option.c_str());
    DidYouMean(option, known);
    return UsageError(usage, usage.empty() ? "" : verb);  // karvelin's own verbs: its help
}

int Unexpected(const char* verb, const std::string& arg, const char* usage) {
    std::fprintf(stderr, "karvelin: %s does not take %s\n", verb, arg.c_str());
    return UsageError(usage, verb);
}

int NoSuchFunction(const std::string& name) {
    std::fprintf(stderr, "karvelin: no function named %s\n", name.c_str());
    std::vector<std::string> candidates = {"report", "list"};
    for (const Command& command : karvelin::program::Commands()) candidates.push_back(command.name);
    DidYouMean(name, candidates);
    return UsageError("", "");
}

int RunFunction(const Command& command, const Options& options) {
    karvelin::program::Answer answer;
    karvelin::program::Refusal refusal;
    const bool called = karvelin::program::Call(command, options.rest, answer, refusal);
    karvelin::program::TellFailures(called && answer.failed);
    if (!called) {
        if (refusal.argument == karvelin::program::Refusal::kNoArgument) {
            std::fprintf(stderr, "karvelin: %s %s\n", command.name, refusal.why.c_str());
        } else {
            const std::string names = std::string(command.arguments) + " ";
            std::size_t start = 0;
            for (std::size_t i = 0; i < refusal.argument && start < names.size(); ++i)
                start = names.find(' ', start) + 1;
            const std::string name = names.substr(start, names.find(' ', start) - start);
            std::fprintf(stderr, "karvelin: %s %s: %s\n", command.name, name.c_str(), refusal.why.c_str());
        }
        return UsageError(FunctionUsage(command), command.name);
    }
    if (answer.needed) {
        std::fprintf(stderr, "karvelin: %s needs a buffer of %zu bytes, not %zu\n", command.name, answer.needed,
                     answer.buffer_size);
        return kUsageError;
    }
    if (options.json)
        std::printf("%s\n", karvelin::program::JsonCall(command, answer).c_str());
    else
        karvelin::program::PrintAnswer(command, answer);
    return answer.failed ? kCallFailed : 0;
}

}  // namespace

int main(int argc, char** argv) {
    Args args(argv + 1, argv + argc);
    std::string why;
    if (!karvelin::program::ArgumentsWhole(why)) {
        std::fprintf(stderr, "karvelin: %s; nothing was run\n", why.c_str());
        return kUsageError;
    }
    if (!args.empty() && args[0] == "--folder") {
        // The folder the caller asked to run in: a relative path names a file
        // there, so anywhere else nothing runs (scripts/run.sh passes the
        // caller's folder; Wine starts a program whose folder it cannot enter
        // in the Windows folder).
        if (args.size() < 2) {
            std::fprintf(stderr, "karvelin: --folder needs the folder to run in\n");
            return UsageError("", "");
        }
        if (!karvelin::program::RunsIn(args[1], why)) {
            std::fprintf(stderr, "karvelin: --folder %s: that folder %s; nothing was run\n", args[1].c_str(),
                         why.c_str());
            return kUsageError;
        }
        args.erase(args.begin(), args.begin() + 2);
    }
    // -v before the verb, as after it.
    const bool verbose = !args.empty() && (args[0] == "-v" || args[0] == "--verbose");
    if (verbose) args.erase(args.begin());
    if (args.empty()) {
        std::fprintf(stderr, "karvelin: no verb: report, list, or a function's name\n");
        return UsageError("", "");
    }
    const std::string verb = args[0];
    const Options options = TakeOptions(Args(args.begin() + 1, args.end()));
    if (verbose || options.verbose) karvelin::program::ShowEveryLine();
    const bool own = verb == "--help" || verb == "-h" || verb == "help" || verb == "--version";
    if (own && !options.unknown.empty())
        return UnknownOption(verb, "", options.unknown, {"--help", "--version", "--folder", "--verbose"});
    if (verb == "--help" || verb == "-h" || verb == "help") return Help();
    if (verb == "--version") {
        std::printf("karvelin %s (%s)\n", KARVELIN_VERSION_STRING, kBuild);
        return 0;
    }
    if (verb == "report") {
        if (!options.unknown.empty()) return UnknownOption(verb, kReportUsage, options.unknown, {"--help", "--json"});
        if (options.help) return ReportHelp();
        if (!options.rest.empty()) return Unexpected("report", options.rest[0], kReportUsage);
        const bool whole = options.json ? karvelin::program::PrintReportJson() : karvelin::program::PrintReport();
        return whole ? 0 : 1;
    }
    if (verb == "list") {
        if (!options.unknown.empty()) return UnknownOption(verb, kListUsage, options.unknown, {"--help"});
        if (options.help) return ListHelp();
        if (options.json) return Unexpected("list", "--json", kListUsage);
        if (!options.rest.empty()) return Unexpected("list", options.rest[0], kListUsage);
        for (const Command& command : karvelin::program::Commands())
            std::printf("%s %s\n", command.name, karvelin::program::Usage(command).c_str());
        return 0;
    }
    if (verb.size() > 1 && verb[0] == '-') {
        // "karvelin --json CheckOS": the options are the verb's, after it.
        if (verb == "--json") {
            std::fprintf(stderr, "karvelin: --json comes after the verb: karvelin FUNCTION --json ARG..., "
                                 "karvelin report --json\n");
        } else {
            std::fprintf(stderr, "karvelin: %s is no option of karvelin's own (a verb's options come after it)\n",
                         verb.c_str());
            DidYouMean(verb, {"--help", "--version", "--folder", "--verbose"});
        }
        return UsageError("", "");
    }
    const Command* command = karvelin::program::FindCommand(verb);
    if (!command) return NoSuchFunction(verb);
    if (!options.unknown.empty())
        return UnknownOption(command->name, FunctionUsage(*command), options.unknown, {"--help", "--json", "--verbose"});
    if (options.help) return FunctionHelp(*command);
    return RunFunction(*command, options);
}
