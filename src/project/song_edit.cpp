#include "project/song_edit.h"

#include "model/errors.h"
#include "model/instrument.h"
#include "project/app_objects.h"
#include "project/edit_commands.h"
#include "project/instrument_commands.h"

#include <algorithm>

namespace {

TSong& OpenSong() {
    TSong* song = Project().Song();
    CW_ASSERT(song);
    return *song;
}

// A step may be one command or a group of them (a macro's children).
size_t StepBytes(const QUndoCommand* step) {
    size_t bytes = 0;
    if (const auto* command = dynamic_cast<const TEditCommand*>(step)) bytes += command->Bytes();
    for (int i = 0; i < step->childCount(); ++i) bytes += StepBytes(step->child(i));
    return bytes;
}

void EvictStep(QUndoCommand* step) {
    if (auto* command = dynamic_cast<TEditCommand*>(step)) command->Evict();
    for (int i = 0; i < step->childCount(); ++i)
        EvictStep(const_cast<QUndoCommand*>(step->child(i)));
}

bool StepEvicted(const QUndoCommand* step) {
    if (const auto* command = dynamic_cast<const TEditCommand*>(step)) return command->Evicted();
    return step->childCount() > 0 && StepEvicted(step->child(0));
}

} // namespace

TSongEdit::TSongEdit() {
    history_.setUndoLimit(kDepth);
}

TSongEdit::~TSongEdit() = default;

void TSongEdit::Push(std::unique_ptr<TEditCommand> command) {
    command->Run(); // an error leaves the history as it was
    history_.push(command.release());
    KeepWithinBudget();
}

void TSongEdit::SetName(const std::string& name) {
    if (name == OpenSong().Name()) return;
    Push(std::make_unique<TSongPropertyCommand>(TSongPropertyCommand::Name, name));
}

void TSongEdit::SetSpeed(int speed) {
    if (speed == OpenSong().Speed()) return;
    Push(
        std::make_unique<TSongPropertyCommand>(TSongPropertyCommand::Speed, std::to_string(speed)));
}

void TSongEdit::SetTempo(int tempo) {
    if (tempo == OpenSong().Tempo()) return;
    Push(
        std::make_unique<TSongPropertyCommand>(TSongPropertyCommand::Tempo, std::to_string(tempo)));
}

void TSongEdit::SetRestart(int position) {
    if (position == OpenSong().RestartPosition()) return;
    Push(std::make_unique<TSongPropertyCommand>(TSongPropertyCommand::Restart,
                                                std::to_string(position)));
}

void TSongEdit::SetChannelCount(int channels) {
    if (channels == OpenSong().ChannelCount()) return;
    Push(std::make_unique<TChannelCountCommand>(channels));
}

int TSongEdit::CellsBeyondTrack(int channels) const {
    const TSong& song = OpenSong();
    int cells = 0;
    for (int p = 0; p < song.PatternCount(); ++p) {
        const TPattern& pattern = *song.Patterns(p);
        for (int t = channels; t < pattern.TrackCount(); ++t)
            for (int r = 0; r < pattern.RowCount(); ++r) cells += !pattern.IsCellEmpty(t, r);
    }
    return cells;
}

void TSongEdit::SetOrder(int position, int pattern) {
    if (OpenSong().Orders(position) == pattern) return;
    Push(std::make_unique<TOrderListCommand>(TOrderListCommand::SetEntry, position, pattern));
}

void TSongEdit::InsertPosition(int position) {
    Push(std::make_unique<TOrderListCommand>(TOrderListCommand::InsertPosition, position, 0));
}

void TSongEdit::DeletePosition(int position) {
    if (OpenSong().SongLength() <= 1) return;
    Push(std::make_unique<TOrderListCommand>(TOrderListCommand::DeletePosition, position, 0));
}

void TSongEdit::RenumberPatterns(int from, int delta) {
    Push(std::make_unique<TOrderListCommand>(TOrderListCommand::Renumber, from, delta));
}

bool TSongEdit::InsertPattern(int index, bool renumber) {
    if (OpenSong().PatternCount() >= kMaxPatterns) return false;
    if (index == -1) index = OpenSong().PatternCount();
    Push(std::make_unique<TPatternListCommand>(true, std::vector<int>{index}, renumber));
    return true;
}

void TSongEdit::DeletePatterns(const std::vector<int>& indices, bool renumber) {
    // The song always keeps one pattern.
    if (indices.empty() || int(indices.size()) >= OpenSong().PatternCount()) return;
    Push(std::make_unique<TPatternListCommand>(false, indices, renumber));
}

void TSongEdit::RemoveInstruments(const std::vector<int>& numbers) {
    if (numbers.empty()) return;
    Push(std::make_unique<TRemoveInstrumentsCommand>(numbers));
}

void TSongEdit::CleanUp(const std::vector<int>& patterns, const std::vector<int>& instruments) {
    const bool deletesPatterns =
        !patterns.empty() && int(patterns.size()) < OpenSong().PatternCount();
    if (!deletesPatterns && instruments.empty()) return;
    history_.beginMacro("Clean Up");
    try {
        if (deletesPatterns) {
            auto command = std::make_unique<TPatternListCommand>(false, patterns, true);
            command->Run();
            history_.push(command.release());
        }
        if (!instruments.empty()) {
            auto command = std::make_unique<TRemoveInstrumentsCommand>(instruments);
            command->Run();
            history_.push(command.release());
        }
    } catch (...) {
        history_.endMacro();
        throw;
    }
    history_.endMacro();
    KeepWithinBudget();
}

void TSongEdit::ChangeCells(int pattern, TCellChanges changes, const QString& text,
                            const void* sender) {
    std::erase_if(changes, [](const TCellChange& c) { return c.before == c.after; });
    if (changes.empty()) return;
    Push(std::make_unique<TCellsCommand>(text, pattern, std::move(changes), sender));
}

void TSongEdit::SetRowCount(int pattern, int rows, const void* form) {
    if (OpenSong().Patterns(pattern)->RowCount() == rows) return;
    Push(std::make_unique<TRowsCommand>(pattern, TRowsCommand::SetCount, rows, form));
}

bool TSongEdit::ExpandRows(int pattern) {
    if (OpenSong().Patterns(pattern)->RowCount() > kMaxRows / 2) return false;
    Push(std::make_unique<TRowsCommand>(pattern, TRowsCommand::Expand, 0, nullptr));
    return true;
}

void TSongEdit::ShrinkRows(int pattern) {
    if (OpenSong().Patterns(pattern)->RowCount() <= 1) return;
    Push(std::make_unique<TRowsCommand>(pattern, TRowsCommand::Shrink, 0, nullptr));
}

void TSongEdit::ProcessSample(int instrument, int sample, const QString& text,
                              std::function<void(TSample&)> process) {
    Push(std::make_unique<TSampleDataCommand>(text, instrument, sample, std::move(process)));
}

void TSongEdit::EditSample(int instrument, int sample, const QString& text,
                           std::function<void(TSample&)> change) {
    Push(std::make_unique<TSamplePropertiesCommand>(text, instrument, sample, std::move(change)));
}

void TSongEdit::AssignKeys(int instrument, const std::vector<int>& notes, int sample) {
    const TInstrument* target = Project().Song()->Instruments(instrument);
    if (std::all_of(notes.begin(), notes.end(),
                    [&](int note) { return target->NoteSample(note) == sample; }))
        return;
    Push(std::make_unique<TKeyboardMapCommand>(QStringLiteral("Assign Keys"), instrument, notes,
                                               sample));
}

void TSongEdit::EditInstrument(int instrument, const QString& text,
                               std::function<void(TInstrument&)> change) {
    Push(std::make_unique<TInstrumentPropertiesCommand>(text, instrument, std::move(change)));
}

int TSongEdit::AddInstrument(int index, const QString& text,
                             std::function<void(TInstrument&)> fill) {
    const int count = OpenSong().InstrumentCount();
    if (count >= kMaxInstruments) return -1;
    if (index < 0 || index > count) index = count;
    Push(std::make_unique<TAddInstrumentCommand>(text, index, std::move(fill)));
    return index;
}

int TSongEdit::AddSample(int instrument, const QString& text, std::function<void(TSample&)> fill) {
    if (OpenSong().Instruments(instrument)->SampleCount() >= kMaxSamples) return -1;
    auto command = std::make_unique<TSampleSlotsCommand>(text, instrument, std::move(fill));
    TSampleSlotsCommand* step = command.get();
    Push(std::move(command));
    return step->Index();
}

void TSongEdit::DeleteSamples(int instrument, const std::vector<int>& samples) {
    if (samples.empty()) return;
    Push(std::make_unique<TSampleSlotsCommand>(instrument, samples));
}

void TSongEdit::SwapInstruments(int a, int b) {
    const int count = OpenSong().InstrumentCount();
    if (a == b || a < 0 || b < 0 || a >= count || b >= count) return;
    Push(std::make_unique<TSwapSlotsCommand>(-1, a, b));
}

void TSongEdit::SwapSamples(int instrument, int a, int b) {
    const int count = OpenSong().Instruments(instrument)->SampleCount();
    if (a == b || a < 0 || b < 0 || a >= count || b >= count) return;
    Push(std::make_unique<TSwapSlotsCommand>(instrument, a, b));
}

int TSongEdit::MoveSample(int from, int sample, int to) {
    TSong& song = OpenSong();
    if (to == from || sample < 0 || sample >= song.Instruments(from)->SampleCount()) return -1;
    if (to >= 0) {
        if (song.Instruments(to)->SampleCount() >= kMaxSamples) return -1;
        Push(std::make_unique<TMoveSampleCommand>(from, sample, to));
        return to;
    }
    if (song.InstrumentCount() >= kMaxInstruments) return -1;
    const std::string name = song.Instruments(from)->Samples(sample)->Name();
    to = song.InstrumentCount();
    history_.beginMacro("Move Sample");
    try {
        auto add = std::make_unique<TAddInstrumentCommand>(
            "New Instrument", to, [name](TInstrument& in) { in.SetName(name); });
        add->Run();
        history_.push(add.release());
        auto move = std::make_unique<TMoveSampleCommand>(from, sample, to);
        move->Run();
        history_.push(move.release());
    } catch (...) {
        history_.endMacro();
        throw;
    }
    history_.endMacro();
    KeepWithinBudget();
    return to;
}

int TSongEdit::CopySampleRange(int instrument, int sample, int start, int end, int to) {
    TSong& song = OpenSong();
    if (instrument < 0 || instrument >= song.InstrumentCount()) return -1;
    if (sample < 0 || sample >= song.Instruments(instrument)->SampleCount()) return -1;
    const auto fill = [instrument, sample, start, end](TSample& copy) {
        TSample* source = OpenSong().Instruments(instrument)->Samples(sample);
        // The copy reads the source's selection; put the dragged range there for it.
        const int selStart = source->SelStart, selEnd = source->SelEnd;
        source->SelStart = start;
        source->SelEnd = end;
        try {
            copy.CopyFrom(source);
        } catch (...) {
            source->SelStart = selStart;
            source->SelEnd = selEnd;
            throw;
        }
        source->SelStart = selStart;
        source->SelEnd = selEnd;
    };
    if (to >= 0) return AddSample(to, "Copy Range", fill) < 0 ? -1 : to;
    return AddInstrument(-1, "Copy Range", [fill](TInstrument& in) {
        TSample* copy = in.InsertSample(-1);
        fill(*copy);
        in.SetName(copy->Name());
    });
}

void TSongEdit::EditEnvelope(int instrument, bool panning, const QString& text,
                             std::function<void(TEnvelope&)> change) {
    Push(std::make_unique<TEnvelopeCommand>(text, instrument, panning, std::move(change)));
}

int TSongEdit::EvictedSteps() const {
    int steps = 0;
    while (steps < history_.count() && StepEvicted(history_.command(steps))) ++steps;
    return steps;
}

bool TSongEdit::CanUndo() const {
    return history_.canUndo() && history_.index() > EvictedSteps();
}

void TSongEdit::Undo() {
    if (CanUndo()) history_.undo();
}

void TSongEdit::Redo() {
    if (CanRedo()) history_.redo();
}

size_t TSongEdit::KeptBytes() const {
    size_t bytes = 0;
    for (int i = 0; i < history_.count(); ++i) bytes += StepBytes(history_.command(i));
    return bytes;
}

void TSongEdit::KeepWithinBudget() {
    size_t bytes = KeptBytes();
    // The oldest steps go first; the newest one always stays undoable.
    for (int i = 0; bytes > budget_ && i < history_.index() - 1; ++i) {
        QUndoCommand* step = const_cast<QUndoCommand*>(history_.command(i));
        if (StepEvicted(step)) continue;
        bytes -= StepBytes(step);
        EvictStep(step);
    }
}
