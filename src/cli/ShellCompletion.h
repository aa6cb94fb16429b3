#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvane::cli {

// What a shell needs to know of one option to complete it.
struct CompletedOption {
    std::vector<std::string> names; // "--levels", "-q" …
    std::string description;
    bool takesValue = false;
    std::vector<std::string> values; // the only values it takes, when few; else any
};

struct CompletedVerb {
    std::string name;
    std::string description;
    std::vector<CompletedOption> options;
    bool takesPaths = false;        // its other arguments are files or folders
    std::vector<std::string> words; // else the words it takes, if any
};

// Every verb with its options, read from the option tables the parsers use.
std::vector<CompletedVerb> completedVerbs();

// The completion script for SHELL ("bash", "fish" or "zsh"); empty for another shell.
std::string completionScript(std::string_view shell);

// `orvane completion SHELL`: prints the script. Answers the exit status.
int runCompletion(int argc, char** argv);

} // namespace orvane::cli
