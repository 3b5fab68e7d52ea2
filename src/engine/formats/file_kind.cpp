#include "engine/formats/file_kind.h"

#include <array>
#include <cctype>
#include <cstring>
#include <string_view>

namespace {

struct LoaderKind {
    std::string_view loader;
    std::string_view extension;
};

// libxmp's format names and the extension such files usually carry. The ProTracker family
// (whatever the channel signature: M.K., 6CHN, FLT8, CD81, 16CH, ...), the 15-sample
// Soundtrackers and the Amiga packers libxmp unpacks to ProTracker patterns are all "mod".
constexpr std::array<LoaderKind, 43> kKinds{{
    {"Fast Tracker II", "xm"},
    {"Amiga Protracker/Compatible", "mod"},
    {"Startrekker", "mod"},
    {"Soundtracker", "mod"},
    {"Soundtracker 2.6/Ice Tracker", "mod"},
    {"Protracker 3", "mod"},
    {"His Master's Noise", "mod"},
    {"Impulse Tracker", "it"},
    {"Scream Tracker 3", "s3m"},
    {"Scream Tracker 2", "stm"},
    {"STMIK 0.2", "stx"},
    {"Multitracker", "mtm"},
    {"Imago Orpheus v1.0", "imf"},
    {"Poly Tracker", "ptm"},
    {"Digitrakker", "mdl"},
    {"Ultra Tracker", "ult"},
    {"Liquid Tracker", "liq"},
    {"Liquid Tracker NO", "liq"},
    {"Epic MegaGames MASI", "psm"},
    {"Galaxy Music System 5.0 (J2B)", "j2b"},
    {"Protracker Studio", "psm"},
    {"DSMI Advanced Module Format", "amf"},
    {"Asylum Music Format v1.0", "amf"},
    {"General Digital Music", "gdm"},
    {"MED 2.10/OctaMED", "med"},
    {"OctaMED", "med"},
    {"MED 1.12 MED2", "med"},
    {"MED 2.00 MED3", "med"},
    {"MED 2.10 MED4", "med"},
    {"Real Tracker", "rtm"},
    {"Digital Tracker", "dtm"},
    {"Megatracker", "mgt"},
    {"Digital Symphony", "dsym"},
    {"DIGI Booster", "digi"},
    {"DigiBooster Pro", "dbm"},
    {"Quadra Composer", "emod"},
    {"Oktalyzer", "okt"},
    {"SoundFX v1.3/2.0", "sfx"},
    {"Farandole Composer", "far"},
    {"Epic Games UMX", "umx"},
    {"Composer 669", "669"},
    {"Funktracker", "fnk"},
    {"Game Music Creator", "gmc"},
}};

bool StartsWith(const uint8_t* data, size_t size, size_t offset, const char* tag) {
    const size_t n = std::strlen(tag);
    return size >= offset + n && std::memcmp(data + offset, tag, n) == 0;
}

// Packer formats libxmp converts to ProTracker patterns on loading.
bool AmigaPacker(std::string_view loader) {
    for (std::string_view word :
         {"Packer", "Player", "Promizer", "Prorunner", "ProPacker", "NoisePacker", "NoiseRunner",
          "Module Protector", "UNIC", "Unic", "Tracker Packer"})
        if (loader.find(word) != std::string_view::npos) return true;
    return false;
}

// An unknown format: its name's first word, lower case.
std::string FirstWord(std::string_view loader) {
    std::string word;
    for (char c : loader) {
        if (!std::isalnum(static_cast<unsigned char>(c))) break;
        word += char(std::tolower(static_cast<unsigned char>(c)));
    }
    return word.empty() ? "other" : word.substr(0, 7);
}

} // namespace

std::string FileKindOf(const uint8_t* data, size_t size, const std::string& loader,
                       SourceKind& kind) {
    kind = SourceKind::Other;
    if (StartsWith(data, size, 0, "IMPM")) return kind = SourceKind::IT, "it";
    if (StartsWith(data, size, 0x2C, "SCRM")) return kind = SourceKind::S3M, "s3m";
    std::string extension;
    for (const LoaderKind& k : kKinds)
        if (k.loader == loader) extension = k.extension;
    if (extension.empty()) extension = AmigaPacker(loader) ? "mod" : FirstWord(loader);
    if (extension == "mod") kind = SourceKind::Mod;
    if (extension == "it") kind = SourceKind::IT;
    if (extension == "s3m") kind = SourceKind::S3M;
    return extension;
}
