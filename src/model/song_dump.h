// A stable, human-readable text of a whole song. Two songs are the same exactly when their
// dumps are equal.
#pragma once

#include <string>

class TSong;

std::string DumpSong(TSong& song);
