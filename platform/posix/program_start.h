// What every Linux program does first.
#pragma once

// A closed standard descriptor would be taken by the next file the program opens: the X
// connection on 2 would then receive the diagnostics of the libraries underneath, and an
// output file on 1 the summary line. Each closed one gets /dev/null, opened the wrong way
// round, so that using it still fails as on a closed stream.
void HoldStandardDescriptors();

// --version or --help (or helpAlias) as the only argument: prints "Glimmerhex" and the
// version, or the usage, on stdout and returns true; the program then ends with status 0.
// Only as the only argument: any other argument text keeps the program's own rules.
bool AnswerVersionOrHelp(int argc, char** argv, const char* usage, const char* helpAlias = nullptr);
