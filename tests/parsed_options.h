// A command line made from words, and what a program's option parser made of it.
#pragma once
#include <string>
#include <vector>

template <typename ProgramOptions> struct Parsed {
    bool Good;
    ProgramOptions Options;
    std::string Error;
};

// parse(argc, argv, options, error), as the programs' parsers take them.
template <typename ProgramOptions, typename Parser>
Parsed<ProgramOptions> ParseWords(const char* program, const std::vector<std::string>& words,
                                  Parser parse) {
    std::vector<const char*> argv{program};
    for (const std::string& word : words)
        argv.push_back(word.c_str());
    Parsed<ProgramOptions> parsed{};
    parsed.Good = parse(static_cast<int>(argv.size()), argv.data(), parsed.Options, parsed.Error);
    return parsed;
}
