#include "cli/ShellCompletion.h"

#include "cli/OrganizeOptions.h"
#include "cli/Runs.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <regex>

namespace orvane::cli {
namespace {

// A range check of a few whole numbers ("INT in [1 - 3]") offers each of them, and so does a
// check of set members ("{run,day,stored}").
std::vector<std::string> fewValues(const CLI::Option& option) {
    static const std::regex kRange(R"(\[(\d+) - (\d+)\])");
    static const std::regex kMembers(R"(\{([a-z]+(,[a-z]+)*)\})");
    const std::string typeName = option.get_type_name();
    std::smatch match;
    std::vector<std::string> values;
    if (std::regex_search(typeName, match, kMembers)) {
        const std::string members = match[1];
        for (size_t start = 0; start <= members.size();) {
            const size_t comma = std::min(members.find(',', start), members.size());
            values.push_back(members.substr(start, comma - start));
            start = comma + 1;
        }
        return values;
    }
    if (!std::regex_search(typeName, match, kRange))
        return {};
    const int low = std::stoi(match[1]), high = std::stoi(match[2]);
    for (int value = low; value <= high && high - low <= 20; ++value)
        values.push_back(std::to_string(value));
    return values;
}

CompletedVerb describe(const char* name, const char* description, const CLI::App& app,
                       bool takesPaths) {
    CompletedVerb verb{name, description, {}, takesPaths, {}};
    for (const CLI::Option* option : app.get_options()) {
        if (option->get_positional())
            continue;
        CompletedOption completed;
        for (const std::string& longName : option->get_lnames())
            completed.names.push_back("--" + longName);
        for (const std::string& shortName : option->get_snames())
            completed.names.push_back("-" + shortName);
        completed.description = option->get_description();
        completed.takesValue = option->get_expected_min() > 0;
        if (completed.takesValue)
            completed.values = fewValues(*option);
        verb.options.push_back(std::move(completed));
    }
    return verb;
}

std::string joined(const std::vector<std::string>& words, const char* separator = " ") {
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : separator) + word;
    return text;
}

// The first clause of a description, without the characters the shells' syntax gives a meaning.
std::string shortDescription(const std::string& description) {
    std::string text = description.substr(0, description.find_first_of(";(:"));
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    std::string clean;
    for (char c : text)
        if (c != '\'' && c != '[' && c != ']' && c != '`' && c != '"' && c != '\\')
            clean += c;
    return clean;
}

std::string bashScript(const std::vector<CompletedVerb>& verbs) {
    std::string verbNames, cases;
    for (const CompletedVerb& verb : verbs) {
        verbNames += verb.name + " ";
        std::string allNames, valueCases, freeValues;
        for (const CompletedOption& option : verb.options) {
            allNames += joined(option.names) + " ";
            if (!option.takesValue)
                continue;
            if (!option.values.empty())
                valueCases += "        " + joined(option.names, "|") +
                              ") COMPREPLY=($(compgen -W \"" + joined(option.values) +
                              "\" -- \"$cur\")); return ;;\n";
            else
                freeValues += (freeValues.empty() ? "" : "|") + joined(option.names, "|");
        }
        if (!freeValues.empty())
            valueCases += "        " + freeValues + ") return ;;\n";
        cases += "    " + verb.name + ")\n        case $prev in\n" + valueCases +
                 "        esac\n        if [[ $cur == -* ]]; then\n"
                 "            COMPREPLY=($(compgen -W \"" +
                 allNames + "\" -- \"$cur\"))\n" +
                 (verb.takesPaths      ? "        else\n            compopt -o default\n"
                                         "            COMPREPLY=()\n"
                  : verb.words.empty() ? ""
                                       : "        else\n            COMPREPLY=($(compgen -W \"" +
                                             joined(verb.words) + "\" -- \"$cur\"))\n") +
                 "        fi\n        ;;\n";
    }
    return "# bash completion for orvane, made by `orvane completion bash`\n"
           "_orvane() {\n"
           "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
           "    if [ \"$COMP_CWORD\" -eq 1 ]; then\n"
           "        if [[ $cur == -* ]]; then\n"
           "            COMPREPLY=($(compgen -W \"--help --version\" -- \"$cur\"))\n"
           "        else\n"
           "            compopt -o default\n"
           "            COMPREPLY=($(compgen -W \"" +
           verbNames +
           "\" -- \"$cur\"))\n"
           "        fi\n"
           "        return\n"
           "    fi\n"
           "    case ${COMP_WORDS[1]} in\n" +
           cases +
           "    *)\n"
           "        compopt -o default\n"
           "        COMPREPLY=()\n"
           "        ;;\n"
           "    esac\n"
           "}\n"
           "complete -F _orvane orvane\n";
}

std::string fishScript(const std::vector<CompletedVerb>& verbs) {
    std::string script = "# fish completion for orvane, made by `orvane completion fish`\n"
                         "complete -c orvane -n __fish_use_subcommand -l help -d 'show the usage'\n"
                         "complete -c orvane -n __fish_use_subcommand -l version -d 'show the "
                         "version'\n";
    for (const CompletedVerb& verb : verbs) {
        script += "complete -c orvane -n __fish_use_subcommand -f -a " + verb.name + " -d '" +
                  shortDescription(verb.description) + "'\n";
        const std::string when =
            "complete -c orvane -n '__fish_seen_subcommand_from " + verb.name + "'";
        if (!verb.takesPaths)
            script += when + " -f" +
                      (verb.words.empty() ? "" : " -a '" + joined(verb.words) + "'") + "\n";
        for (const CompletedOption& option : verb.options) {
            script += when;
            for (const std::string& name : option.names)
                script +=
                    (name.rfind("--", 0) == 0 ? " -l " + name.substr(2) : " -s " + name.substr(1));
            if (option.takesValue)
                script += option.values.empty() ? " -x" : " -x -a '" + joined(option.values) + "'";
            script += " -d '" + shortDescription(option.description) + "'\n";
        }
    }
    return script;
}

std::string zshScript(const std::vector<CompletedVerb>& verbs) {
    std::string verbList, cases;
    for (const CompletedVerb& verb : verbs) {
        verbList += "        '" + verb.name + ":" + shortDescription(verb.description) + "'\n";
        std::string specs;
        for (const CompletedOption& option : verb.options) {
            std::string rest = "[" + shortDescription(option.description) + "]";
            if (option.takesValue)
                rest +=
                    ":value:" + (option.values.empty() ? " " : "(" + joined(option.values) + ")");
            // Names of one option exclude each other: (-q --quiet){-q,--quiet}[…]
            specs +=
                "            " +
                (option.names.size() == 1 ? "'" + option.names.front() + rest + "'"
                                          : "'(" + joined(option.names) + ")'{" +
                                                joined(option.names, ",") + "}'" + rest + "'") +
                " \\\n";
        }
        cases += "    " + verb.name + ")\n        _arguments -s \\\n" + specs + "            " +
                 (verb.takesPaths      ? "'*:file:_files'"
                  : verb.words.empty() ? "'*: :'"
                                       : "'1:word:(" + joined(verb.words) + ")'") +
                 "\n        ;;\n";
    }
    return "#compdef orvane\n"
           "# zsh completion for orvane, made by `orvane completion zsh`\n"
           "_orvane() {\n"
           "    if (( CURRENT == 2 )); then\n"
           "        local -a verbs\n"
           "        verbs=(\n" +
           verbList +
           "        )\n"
           "        _describe -t verbs 'orvane verb' verbs\n"
           "        _files\n"
           "        return\n"
           "    fi\n"
           "    local verb=$words[2]\n"
           "    shift words\n"
           "    (( CURRENT-- ))\n"
           "    case $verb in\n" +
           cases +
           "    *) _files ;;\n"
           "    esac\n"
           "}\n"
           "_orvane \"$@\"\n";
}

} // namespace

std::vector<CompletedVerb> completedVerbs() {
    std::vector<CompletedVerb> verbs;
    {
        CLI::App app;
        OrganizeOptions options;
        std::vector<std::string> paths;
        addOrganizeOptions(app, options, paths);
        verbs.push_back(
            describe("organize", "copy files into date folders, without a window", app, true));
    }
    {
        CLI::App app;
        bool json = false;
        addRunsOptions(app, json);
        verbs.push_back(describe("runs", "list the recorded runs", app, false));
    }
    {
        CLI::App app;
        UndoArguments arguments;
        addUndoOptions(app, arguments);
        verbs.push_back(describe("undo", "take back a run", app, false));
    }
    const CompletedOption help{{"-h", "--help"}, "show the options and exit"};
    const CompletedOption json{{"--json"}, "print it as JSON"};
    verbs.push_back({"history",
                     "when and where files were imported",
                     {help, json, {{"--forget"}, "forget the imports of a run or a path", true}},
                     true,
                     {}});
    verbs.push_back(
        {"cameras", "the cameras and phones connected by cable", {help, json}, false, {}});
    verbs.push_back(
        {"completion", "print a shell completion script", {}, false, {"bash", "fish", "zsh"}});
    return verbs;
}

std::string completionScript(std::string_view shell) {
    if (shell == "bash")
        return bashScript(completedVerbs());
    if (shell == "fish")
        return fishScript(completedVerbs());
    if (shell == "zsh")
        return zshScript(completedVerbs());
    return {};
}

int runCompletion(int argc, char** argv) {
    if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
        std::printf("usage: orvane completion bash|fish|zsh\n"
                    "  print the shell completion script, made from the option tables\n");
        return 0;
    }
    const std::string script = argc == 2 ? completionScript(argv[1]) : std::string();
    if (script.empty()) {
        std::fprintf(stderr, "usage: orvane completion bash|fish|zsh\n");
        return 2;
    }
    std::fputs(script.c_str(), stdout);
    return 0;
}

} // namespace orvane::cli
