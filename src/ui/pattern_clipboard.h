// Pattern blocks on the system clipboard, under a format of their own so that another running
// instance can paste them. Cut and paste go through the edit layer, so each is one undo step.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

class TBlock;
class TPattern;

namespace PatternClipboard {

// The format name other programs see.
extern const char* const kFormat;

void Put(const std::vector<uint8_t>& block);
bool HasBlock();
// Raises EPatternError when the clipboard holds no block of ours.
std::vector<uint8_t> Block();

void Copy(const TPattern& pattern, int firstTrack, int lastTrack, int firstRow, int lastRow);
void Cut(const TPattern& pattern, int firstTrack, int lastTrack, int firstRow, int lastRow,
         const void* sender = nullptr);
void Paste(const TPattern& pattern, int track, int row, const void* sender = nullptr);

// A copied block goes on in both forms: ours, and the plain text other trackers read.
void PutBlock(const TBlock& block);
// Ours when it is there, else a block read from the other trackers' text; none when neither.
std::optional<TBlock> TakeBlock();

} // namespace PatternClipboard
