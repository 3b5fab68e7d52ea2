#include "edit/peer_text.h"

#include "engine/effect_catalogue.h"
#include "engine/records.h"
#include "model/notes.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::string_view kHeader = "ModPlug Tracker ";
constexpr std::string_view kAltHeader = "Pasted Pattern - ";
constexpr size_t kFieldChars = 11;
const char* const kNoteNames[12] = {"C-", "C#", "D-", "D#", "E-", "F-",
                                    "F#", "G-", "G#", "A-", "A#", "B-"};
// The peers count XM octaves from 1 where the note byte counts from 0.
constexpr int kOctaveOffset = 1;

// Volume-column commands past set-volume, one letter per high nibble from 0x50 (the XM volume
// byte less 16); the low nibble is the value, panning shown as 0..64.
constexpr char kVolumeLetters[] = "dcbauhplrg";
constexpr uint8_t kMaxSetVolume = 64;
constexpr uint8_t kVolumeCommandBase = 0x50;
constexpr uint8_t kVolumeCommandEnd = 0xF0;
constexpr uint8_t kVolumePanning = 0xB0;

char Base36(int v) {
    return char(v < 10 ? '0' + v : 'A' + v - 10);
}
int FromBase36(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return -1;
}
int FromHex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
int TwoDecimal(char a, char b) {
    if (a < '0' || a > '9' || b < '0' || b > '9') return -1;
    return (a - '0') * 10 + (b - '0');
}
void AppendDecimal2(std::string& out, int v) {
    out += char('0' + v / 10); // past 99 the tens run on past '9', as the peers write it
    out += char('0' + v % 10);
}
void AppendHex2(std::string& out, int v) {
    out += Base36(v >> 4);
    out += Base36(v & 15);
}

void AppendNote(std::string& out, uint8_t note) {
    if (note == kNoteKeyOff) {
        out += "===";
    } else if (note < kNoteKeyOff && NoteSemitone(note) < 12) {
        out += kNoteNames[NoteSemitone(note)];
        out += char('0' + NoteOctave(note) + kOctaveOffset);
    } else {
        out += "...";
    }
}

void AppendVolume(std::string& out, uint8_t volume) {
    if (volume <= kMaxSetVolume) {
        out += 'v';
        AppendDecimal2(out, volume);
    } else if (volume > kVolumeCommandBase && volume < kVolumeCommandEnd) {
        const int value = volume & 15;
        out += kVolumeLetters[(volume - kVolumeCommandBase) >> 4];
        AppendDecimal2(out, (volume & 0xF0) == kVolumePanning ? value * 4 + 2 : value);
    } else {
        out += "...";
    }
}

void AppendEffect(std::string& out, uint8_t command, uint8_t param) {
    if (command == 0 || command >= kEffectCount) {
        out += "...";
        return;
    }
    const EffectInfo& info = EffectInfoOf(command);
    const bool extended = info.xmEffect == 0x0E || info.xmEffect == 0x21;
    const int xmParam = extended ? (info.xmOr | (param & 15)) : param;
    out += Base36(info.xmEffect);
    if (xmParam == 0)
        out += "..";
    else
        AppendHex2(out, xmParam);
}

} // namespace

std::string EncodePeerText(const TBlock& block) {
    std::string out = std::string(kHeader) + " XM\r\n";
    out.reserve(out.size() + size_t(block.Rows()) * (size_t(block.Tracks()) * 12 + 2));
    for (int r = 0; r < block.Rows(); ++r) {
        for (int t = 0; t < block.Tracks(); ++t) {
            const TCell& cell = block.Cell(t, r);
            out += '|';
            AppendNote(out, cell.note);
            if (cell.instrument == kInstrumentNone)
                out += "..";
            else
                AppendDecimal2(out, cell.instrument + 1);
            AppendVolume(out, cell.volume);
            AppendEffect(out, cell.command, cell.param);
        }
        out += "\r\n";
    }
    return out;
}

namespace {

// One track's eleven characters, blank-padded when the text ends early.
struct TField {
    char c[kFieldChars];
    explicit TField(std::string_view text) {
        for (size_t i = 0; i < kFieldChars; ++i) c[i] = i < text.size() ? text[i] : ' ';
    }
};

uint8_t ParseNote(const TField& f) {
    if (f.c[0] == '=') return kNoteKeyOff;
    for (int semitone = 0; semitone < 12; ++semitone) {
        if (f.c[0] != kNoteNames[semitone][0] || f.c[1] != kNoteNames[semitone][1]) continue;
        if (f.c[2] < '0' || f.c[2] > '9') return kNoteNone;
        const int index = (f.c[2] - '0' - kOctaveOffset) * 12 + semitone;
        return index >= 0 && index < kNoteCount ? NoteFromIndex(index) : kNoteNone;
    }
    return kNoteNone;
}

uint8_t ParseInstrument(const TField& f) {
    // Past 99 the peers run the tens digit on past '9'.
    if (f.c[3] < '0' || f.c[3] > '0' + 25 || f.c[4] < '0' || f.c[4] > '9') return kInstrumentNone;
    const int number = (f.c[3] - '0') * 10 + (f.c[4] - '0');
    return number >= 1 && number <= 255 ? uint8_t(number - 1) : kInstrumentNone;
}

uint8_t ParseVolume(const TField& f) {
    const int value = TwoDecimal(f.c[6], f.c[7]);
    if (value < 0) return kVolumeNone;
    if (f.c[5] == 'v') return value <= kMaxSetVolume ? uint8_t(value) : kVolumeNone;
    const std::string_view letters(kVolumeLetters);
    const size_t kind = letters.find(f.c[5]);
    if (kind == std::string_view::npos) return kVolumeNone;
    const uint8_t high = uint8_t(kVolumeCommandBase + (kind << 4));
    const int nibble = std::min(15, high == kVolumePanning ? value / 4 : value);
    return uint8_t(high + nibble);
}

void ParseEffect(const TField& f, TCell& cell) {
    cell.command = 0;
    cell.param = 0;
    const int effect = FromBase36(f.c[8]);
    if (effect < 0) return;
    int param = 0;
    if (f.c[9] != '.' || f.c[10] != '.') {
        const int high = FromHex(f.c[9]);
        const int low = FromHex(f.c[10]);
        if (high < 0 || low < 0) return;
        param = high * 16 + low;
    }
    uint8_t command = 0;
    uint8_t commandParam = 0;
    if (XMEffectToCommand(uint8_t(effect), uint8_t(param), command, commandParam)) {
        cell.command = command;
        cell.param = commandParam;
    }
}

// A field's cell and the fields it carries: blanks carry nothing. Effects written in another
// alphabet than XM's are dropped and counted.
uint8_t ParseField(std::string_view text, bool xmEffects, TCell& cell, int& dropped) {
    const TField f(text);
    uint8_t fields = 0;
    if (f.c[0] != ' ') {
        fields |= kFieldNote;
        cell.note = ParseNote(f);
    }
    if (f.c[3] != ' ') {
        fields |= kFieldInstrument;
        cell.instrument = ParseInstrument(f);
    }
    if (f.c[5] != ' ') {
        fields |= kFieldVolume;
        cell.volume = ParseVolume(f);
    }
    if (f.c[8] != ' ' || f.c[9] != ' ') {
        if (xmEffects) {
            fields |= kFieldEffect;
            ParseEffect(f, cell);
        } else if (f.c[8] != '.') {
            ++dropped;
        }
    }
    return fields;
}

struct TParsedRow {
    std::vector<TCell> cells;
    std::vector<uint8_t> fields;
};

TParsedRow ParseRow(std::string_view line, bool xmEffects, int& dropped) {
    TParsedRow row;
    size_t at = 0;
    while (at < line.size() && line[at] == '|' && row.cells.size() < size_t(kMaxChannels)) {
        const size_t next = line.find('|', at + 1);
        const size_t end = next == std::string_view::npos ? line.size() : next;
        TCell cell;
        row.fields.push_back(
            ParseField(line.substr(at + 1, end - at - 1), xmEffects, cell, dropped));
        row.cells.push_back(cell);
        at = end;
    }
    return row;
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

struct TTextStart {
    size_t rows = 0;       // where the lines after the header begin
    bool xmEffects = true; // XM and MOD letters; S3M, IT and MPT use another alphabet
};

// The header names the module kind in its last three characters; the peers write
// "ModPlug Tracker  XM" or, for Impulse Tracker letters, also "Pasted Pattern - IT".
std::optional<TTextStart> FindHeader(std::string_view text) {
    for (const std::string_view mark : {kHeader, kAltHeader}) {
        for (size_t at = text.find(mark); at != std::string_view::npos;
             at = text.find(mark, at + 1)) {
            const size_t eol = std::min(text.find('\n', at), text.size());
            const std::string_view kind =
                Trimmed(text.substr(at + mark.size(), eol - at - mark.size()));
            if (kind == "XM" || kind == "MOD") return TTextStart{eol, true};
            if (kind == "IT" || kind == "S3M" || kind == "MPT") return TTextStart{eol, false};
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<TBlock> ParsePeerText(std::string_view text, int* droppedEffects) {
    const std::optional<TTextStart> start = FindHeader(text);
    if (!start) return std::nullopt;
    std::vector<TParsedRow> rows;
    size_t tracks = 0;
    int dropped = 0;
    size_t at = start->rows;
    while (at < text.size() && rows.size() < size_t(kMaxRows)) {
        const size_t eol = std::min(text.find('\n', at), text.size());
        std::string_view line = text.substr(at, eol - at);
        at = eol + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
        if (line.empty()) continue;
        if (line.front() != '|') {
            // Lines before the first row (an order list, "Rows: 64") are skipped; one after the
            // rows begins the next pattern, which is not ours to paste.
            if (rows.empty()) continue;
            break;
        }
        rows.push_back(ParseRow(line, start->xmEffects, dropped));
        tracks = std::max(tracks, rows.back().cells.size());
    }
    if (rows.empty() || tracks == 0) return std::nullopt;
    TBlock block(int(tracks), int(rows.size()));
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t t = 0; t < tracks; ++t) {
            const bool present = t < rows[r].cells.size();
            block.Cell(int(t), int(r)) = present ? rows[r].cells[t] : TCell{};
            block.SetFields(int(t), int(r), present ? rows[r].fields[t] : 0);
        }
    if (droppedEffects) *droppedEffects = dropped;
    return block;
}
