#pragma once

#include <string>
#include <vector>

#include "cli/console.h"
#include "cli/options.h"
#include "platform/byte_source.h"

namespace glint::cli {

// The images a pack command line names, in frame order. A file stands for itself; a folder for
// the files in it named as the export names frames (NAME_k.png, NAME_k.bmp, letter case of the
// extension aside, hidden files left out), all of one NAME, in the order of k as a number.
// Raises Failure for a folder without such files, with more than one NAME, or with two files
// for one k, and Failures for the entries so named that cannot be read. Numbers missing between
// the images are a line on the console.
std::vector<std::string> PackImages(const std::vector<std::string>& inputs, Console& console);

// An input file, open for reading; a Failure naming it when it is no ordinary file or cannot be
// opened.
FileSource OpenInput(const std::string& path);

// The output is an ordinary file or none yet, and none of the inputs; a Failure otherwise.
void CheckOutput(const std::string& output, const std::vector<std::string>& inputs);

}  // namespace glint::cli
