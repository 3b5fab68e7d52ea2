// The plain-text pattern block other trackers put on the clipboard: a header line
// "ModPlug Tracker  XM", then one line per row with, for each track, '|' and eleven characters
// (note, instrument in decimal from 1, volume command letter and two decimal digits, effect
// letter and two hex digits). Blanks mark a field that was not copied.
#pragma once

#include "edit/cell_block.h"

#include <optional>
#include <string>
#include <string_view>

std::string EncodePeerText(const TBlock& block);

// A block from text that carries the header; anything it cannot read is refused (no header,
// an unknown module kind, no row) or clipped (past 32 tracks or 256 rows, unreadable fields
// empty). Text with S3M or IT effect letters (Schism Tracker copies those) keeps its notes,
// instruments and volumes; its effects are not pasted and are counted in droppedEffects.
std::optional<TBlock> ParsePeerText(std::string_view text, int* droppedEffects = nullptr);
