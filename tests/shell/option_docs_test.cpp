// The options the parser takes are the ones --help (and so the manual page made from it) and
// the README's options table list, under the same names and values, and no others.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "shell/frame_rates.h"
#include "shell/options.h"

namespace {
// "-h, --help", "--fps N": how --help spells the term.
std::string helpTerm(const CommandLineOption& option) {
    std::string term = option.alias ? std::string(option.alias) + ", " : "";
    return term + option.name + (option.value ? std::string(" ") + option.value : "");
}
// "`-h`, `--help`", "`--fps N`": how the README's table spells it.
std::string readmeTerm(const CommandLineOption& option) {
    std::string term = option.alias ? "`" + std::string(option.alias) + "`, " : "";
    return term + "`" + option.name + (option.value ? std::string(" ") + option.value : "") + "`";
}

std::string helpText() {
    std::string name = "quorvex", help = "--help";
    char* argv[] = {&name[0], &help[0], nullptr};
    ProgramOptions options;
    testing::internal::CaptureStdout();
    EXPECT_EQ(readCommandLine(2, argv, &options), 0);
    return testing::internal::GetCapturedStdout();
}

std::string readme() {
    std::ifstream in(QUORVEX_SOURCE_DIR "/README.md");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The lines of `text` after the line `heading`, up to the next line that starts with `end`.
std::vector<std::string> section(const std::string& text, const std::string& heading, const std::string& end) {
    std::istringstream in(text);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line) && line != heading) {}
    while (std::getline(in, line) && (end.empty() ? !line.empty() : line.rfind(end, 0) != 0)) lines.push_back(line);
    EXPECT_FALSE(lines.empty()) << "no section " << heading;
    return lines;
}

// The terms of the rows that start with `lead` ("  -" in --help, "| `-" in the README): from the
// row's third character to `after`.
std::set<std::string> listedTerms(const std::vector<std::string>& lines, const std::string& lead,
                                  const std::string& after) {
    std::set<std::string> terms;
    for (const std::string& line : lines)
        if (line.rfind(lead, 0) == 0) terms.insert(line.substr(2, line.find(after, 2) - 2));
    return terms;
}

TEST(OptionDocs, HelpAndTheReadmeListExactlyTheOptionsTheParserTakes) {
    const std::map<std::string, std::string> sampleValues = {{"N", "30"}, {"OUT", "out.mkv"}, {"WxH", "640x480"}};
    std::set<std::string> inHelp, inReadme;
    for (int i = 0; i < commandLineOptionCount; ++i) {
        const CommandLineOption& option = commandLineOptions[i];
        inHelp.insert(helpTerm(option));
        inReadme.insert(readmeTerm(option));
        // Each is taken as listed, its value included, under both spellings.
        for (const char* spelling : {option.name, option.alias}) {
            if (!spelling) continue;
            std::vector<std::string> words = {"quorvex", spelling};
            if (option.value) words.push_back(sampleValues.at(option.value));
            std::vector<char*> argv;
            for (std::string& word : words) argv.push_back(&word[0]);
            ProgramOptions parsed;
            std::string error;
            EXPECT_EQ(parseOptions(static_cast<int>(argv.size()), argv.data(), &parsed, &error), 1)
                << spelling << ": " << error;
        }
    }
    EXPECT_EQ(listedTerms(section(helpText(), "Options:", ""), "  -", "  "), inHelp);
    EXPECT_EQ(listedTerms(section(readme(), "## Command line", "## "), "| `-", " |"), inReadme);
}

// The README's --fps row states the limits the parser and the recorder hold.
TEST(OptionDocs, TheReadmeStatesTheFrameRateLimits) {
    const auto to = [](int low, int high) { return std::to_string(low) + " to " + std::to_string(high); };
    std::string row;
    for (const std::string& line : section(readme(), "## Command line", "## "))
        if (line.rfind("| `--fps N` |", 0) == 0) row = line;
    EXPECT_NE(row.find(to(minFrameRate, maxLiveFrameRate)), std::string::npos) << row;
    EXPECT_NE(row.find(to(minFrameRate, maxRecordFrameRate) + ", default " + std::to_string(defaultRecordFrameRate)),
              std::string::npos) << row;
}
}  // namespace
