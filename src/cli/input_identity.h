// Whether an output of tintsight-cli is one of its inputs, by the files that the names reach
// rather than by their spelling: a folder named by its absolute path, through a symbolic link,
// with "..", or on Windows in another letter case or with '/' reaches the same file.
#pragma once

#include "cli/cli_options.h"

// Refuses, with EUsageError, a batch run (-o DIR) whose output file is, as a file, one of its
// inputs: the batch form would replace an input before reading it, or with another input's
// result. The single form may name one file twice ("x.bmp x.bmp"), since it reads its input
// whole before it writes. Outputs that do not exist yet and standard input ("-") are no input.
void RefuseOutputsThatAreInputs(const TCliOptions& options);
