#pragma once
// The commands of zentrilo-check that use presence sources: "--source NAME ID..." asks each ID
// of one source, "--sources" lists them all. The user's sources come from the settings file.

// Asks each ID of the source named argv[2] (any letter case): one line "<ID> is <word>" per ID,
// and for each ERROR one line on stderr saying why. Exit code 0 when no query ended in ERROR, 1
// otherwise, 2 when no source has that name.
int RunSourceCommand(int argc, char** argv);

// Lists every source with its query template, rule and address to open. Exit code 0.
int RunSourcesCommand();
