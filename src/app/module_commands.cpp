#include "app/module_commands.h"

#include "engine/render.h"
#include "model/errors.h"
#include "model/names.h"
#include "model/song.h"
#include "model/song_dump.h"

#include <algorithm>
#include <cstdio>
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>

namespace {

std::string JsonString(const std::string& s) {
    return QuotedText(s, TextQuoting::Json);
}

std::unique_ptr<TSong> Load(const std::string& file) {
    try {
        return std::make_unique<TSong>(file);
    } catch (const EZException& e) {
        std::string message = e.what();
        // The engine's messages already name the file.
        if (message.find(file) == std::string::npos) message = file + ": " + message;
        std::cerr << message << '\n';
        return nullptr;
    }
}

} // namespace

int InfoCommand(const std::string& file) {
    std::unique_ptr<TSong> song = Load(file);
    if (!song) return 1;
    const ModuleRecord* m = song->Module();
    std::ostringstream out;
    out << "{\"file\": " << JsonString(file) << ", \"format\": " << JsonString(m->origin)
        << ", \"name\": " << JsonString(song->Name()) << ", \"channels\": " << song->ChannelCount()
        << ", \"patterns\": " << song->PatternCount() << ", \"rows\": [";
    for (int p = 0; p < song->PatternCount(); ++p)
        out << (p ? ", " : "") << song->Patterns(p)->RowCount();
    out << "], \"instruments\": " << song->InstrumentCount() << ", \"samples\": " << m->sampleCount
        << ", \"orders\": [";
    for (int p = 0; p < song->SongLength(); ++p) out << (p ? ", " : "") << song->Orders(p);
    out << "], \"restart\": " << song->RestartPosition() << ", \"speed\": " << song->Speed()
        << ", \"tempo\": " << song->Tempo()
        << ", \"linear\": " << (song->LinearFrequencies() ? "true" : "false")
        << ", \"duration_seconds\": " << std::fixed << std::setprecision(3)
        << std::max(0.0, SongDurationSeconds(song->Module())) << ", \"dropped\": {";
    const char* separator = "";
    for (int kind = 0; kind < kLossCount; ++kind) {
        if (m->lost[kind] == 0) continue;
        out << separator << JsonString(ImportLossName(kind)) << ": " << m->lost[kind];
        separator = ", ";
    }
    out << "}}\n";
    std::cout << out.str();
    return 0;
}

int DumpCommand(const std::string& file) {
    std::unique_ptr<TSong> song = Load(file);
    if (!song) return 1;
    std::cout << DumpSong(*song);
    return 0;
}

int ConvertCommand(const std::string& in, const std::string& out) {
    std::unique_ptr<TSong> song = Load(in);
    if (!song) return 1;
    try {
        song->SaveToXM(out);
    } catch (const EZException& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    return 0;
}
