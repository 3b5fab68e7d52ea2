#include "project/edit_commands.h"

#include "engine/engine_lock.h"
#include "engine/field_access.h"
#include "engine/sndlib.h"
#include "model/errors.h"
#include "model/playback_pause.h"
#include "project/app_objects.h"

#include <algorithm>
#include <cstring>

namespace {

// Writes one side of the changes at once, so the mixer never plays half of them.
void WriteCells(TPattern& pattern, const TCellChanges& changes, bool after) {
    EngineLock lock;
    for (const TCellChange& change : changes)
        pattern.SetCell(change.track, change.row, after ? change.after : change.before);
}

// The non-empty cells of the given tracks and rows, as changes that clear them.
TCellChanges CellsToClear(const TPattern& pattern, int firstTrack, int lastTrack, int firstRow,
                          int lastRow) {
    TCellChanges changes;
    for (int t = firstTrack; t <= lastTrack; ++t)
        for (int r = firstRow; r <= lastRow; ++r) {
            const TCell cell = pattern.GetCell(t, r);
            if (!cell.IsEmpty()) changes.push_back({t, r, cell, TCell{}});
        }
    return changes;
}

EvPatternChange* NewPatternChange(TPattern* pattern, const TCellChanges& changes) {
    if (changes.size() == 1) return new EvPatternChange(pattern, changes[0].row, changes[0].track);
    const bool oneTrack =
        !changes.empty() && std::all_of(changes.begin(), changes.end(), [&](const TCellChange& c) {
            return c.track == changes[0].track;
        });
    return new EvPatternChange(pattern, -1, oneTrack ? changes[0].track : -1);
}

} // namespace

TSong& TEditCommand::Song() {
    TSong* song = Project().Song();
    CW_ASSERT(song);
    return *song;
}

void TEditCommand::Run() {
    {
        TPlaybackPause pause(Song(), Structural());
        Apply();
    }
    skipRedo_ = true;
}

void TEditCommand::redo() {
    CW_ASSERT(!evicted_);
    if (skipRedo_) {
        skipRedo_ = false;
    } else {
        TPlaybackPause pause(Song(), Structural());
        Apply();
    }
    AnnounceApplied();
}

void TEditCommand::undo() {
    CW_ASSERT(!evicted_);
    {
        TPlaybackPause pause(Song(), Structural());
        Revert();
    }
    AnnounceReverted();
}

void TEditCommand::Evict() {
    if (evicted_) return;
    DropKept();
    evicted_ = true;
}

// --- Song properties ---------------------------------------------------------------------

namespace {

QString PropertyText(TSongPropertyCommand::Field field) {
    switch (field) {
    case TSongPropertyCommand::Name:
        return "Song Name";
    case TSongPropertyCommand::Speed:
        return "Set Speed";
    case TSongPropertyCommand::Tempo:
        return "Set Tempo";
    case TSongPropertyCommand::Restart:
        return "Set Restart";
    }
    return {};
}

} // namespace

TSongPropertyCommand::TSongPropertyCommand(Field field, std::string value)
    : TEditCommand(PropertyText(field)), field_(field), before_(Read()), after_(std::move(value)) {}

std::string TSongPropertyCommand::Read() const {
    TSong& song = Song();
    switch (field_) {
    case Name:
        return song.Name();
    case Speed:
        return std::to_string(song.Speed());
    case Tempo:
        return std::to_string(song.Tempo());
    case Restart:
        return std::to_string(song.RestartPosition());
    }
    return {};
}

void TSongPropertyCommand::Write(const std::string& value) {
    TSong& song = Song();
    switch (field_) {
    case Name:
        song.SetName(value);
        break;
    case Speed:
        song.SetSpeed(std::stoi(value));
        break;
    case Tempo:
        song.SetTempo(std::stoi(value));
        break;
    case Restart:
        song.SetRestartPosition(std::stoi(value));
        break;
    }
}

bool TSongPropertyCommand::mergeWith(const QUndoCommand* other) {
    const auto* next = dynamic_cast<const TSongPropertyCommand*>(other);
    if (!next || next->field_ != Name || field_ != Name) return false;
    after_ = next->after_;
    return true;
}

void TSongPropertyCommand::AnnounceApplied() {
    EventManager().Dispatch<EvSongPropChange>();
}

// --- Cells -------------------------------------------------------------------------------

TCellsCommand::TCellsCommand(const QString& text, int pattern, TCellChanges changes,
                             const void* sender)
    : TEditCommand(text), pattern_(pattern), changes_(std::move(changes)), sender_(sender) {}

void TCellsCommand::Apply() {
    WriteCells(*Song().Patterns(pattern_), changes_, true);
}

void TCellsCommand::Revert() {
    WriteCells(*Song().Patterns(pattern_), changes_, false);
}

void TCellsCommand::Announce(bool applied) {
    std::unique_ptr<EvPatternChange> event(NewPatternChange(Song().Patterns(pattern_), changes_));
    if (changes_.size() == 1) event->Cell = applied ? changes_[0].before : changes_[0].after;
    // The view that made the edit has shown it already; undo and redo are news to every view.
    event->Sender = std::exchange(sender_, nullptr);
    EventManager().Dispatch(std::move(event));
}

// --- Rows --------------------------------------------------------------------------------

namespace {

QString RowsText(TRowsCommand::Kind kind) {
    switch (kind) {
    case TRowsCommand::SetCount:
        return "Set Rows";
    case TRowsCommand::Expand:
        return "Grow Pattern";
    case TRowsCommand::Shrink:
        return "Shrink Pattern";
    }
    return {};
}

} // namespace

TRowsCommand::TRowsCommand(int pattern, Kind kind, int rows, const void* form)
    : TEditCommand(RowsText(kind)), pattern_(pattern), kind_(kind), rows_(rows), form_(form) {}

void TRowsCommand::Apply() {
    TPattern& pattern = *Song().Patterns(pattern_);
    oldRows_ = pattern.RowCount();
    tracks_ = pattern.TrackCount();
    cells_.clear();
    cells_.reserve(size_t(oldRows_) * size_t(tracks_));
    for (int r = 0; r < oldRows_; ++r)
        for (int t = 0; t < tracks_; ++t) cells_.push_back(pattern.GetCell(t, r));
    // The row count's own setter restarts a playback of this pattern; Grow and Shrink do not.
    TPlaybackPause pause(Song(), kind_ != SetCount);
    switch (kind_) {
    case SetCount:
        pattern.SetRowCount(rows_);
        break;
    case Expand:
        pattern.ExpandRows();
        break;
    case Shrink:
        pattern.ShrinkRows(false);
        break;
    }
}

void TRowsCommand::Revert() {
    TPattern& pattern = *Song().Patterns(pattern_);
    pattern.SetRowCount(oldRows_);
    EngineLock lock;
    for (int r = 0; r < oldRows_; ++r)
        for (int t = 0; t < tracks_; ++t)
            pattern.SetCell(t, r, cells_[size_t(r) * size_t(tracks_) + size_t(t)]);
}

void TRowsCommand::AnnounceApplied() {
    EventManager().Dispatch<EvPatternPropChange>(Song().Patterns(pattern_),
                                                 std::exchange(form_, nullptr));
}

// --- Channel count -----------------------------------------------------------------------

TChannelCountCommand::TChannelCountCommand(int channels)
    : TEditCommand("Set Channels"), after_(channels) {}

size_t TChannelCountCommand::Bytes() const {
    size_t bytes = 0;
    for (const auto& [pattern, changes] : dropped_) bytes += changes.size() * sizeof(TCellChange);
    return bytes;
}

void TChannelCountCommand::Apply() {
    TSong& song = Song();
    before_ = song.ChannelCount();
    dropped_.clear();
    if (after_ < before_)
        for (int p = 0; p < song.PatternCount(); ++p) {
            const TPattern& pattern = *song.Patterns(p);
            TCellChanges cells =
                CellsToClear(pattern, after_, before_ - 1, 0, pattern.RowCount() - 1);
            if (!cells.empty()) dropped_.emplace_back(p, std::move(cells));
        }
    song.SetChannelCount(after_);
}

void TChannelCountCommand::Revert() {
    TSong& song = Song();
    song.SetChannelCount(before_);
    for (const auto& [pattern, changes] : dropped_)
        WriteCells(*song.Patterns(pattern), changes, false);
}

void TChannelCountCommand::AnnounceApplied() {
    EventManager().Dispatch<EvTrackCountChange>();
}

// --- Order list --------------------------------------------------------------------------

namespace {

QString OrderText(TOrderListCommand::Kind kind) {
    switch (kind) {
    case TOrderListCommand::SetEntry:
        return "Set Order";
    case TOrderListCommand::InsertPosition:
        return "Insert Position";
    case TOrderListCommand::DeletePosition:
        return "Delete Position";
    case TOrderListCommand::Renumber:
        return "Renumber Orders";
    }
    return {};
}

} // namespace

TOrderListCommand::TOrderListCommand(Kind kind, int position, int value)
    : TEditCommand(OrderText(kind)), kind_(kind), position_(position), value_(value) {}

void TOrderListCommand::Apply() {
    TSong& song = Song();
    orders_ = song.OrderList();
    length_ = song.SongLength();
    restart_ = song.RestartPosition();
    switch (kind_) {
    case SetEntry:
        song.SetOrders(position_, value_);
        break;
    case InsertPosition:
        song.InsertPosition(position_);
        break;
    case DeletePosition:
        song.DeletePosition(position_);
        break;
    case Renumber:
        song.RenumberPatterns(position_, value_);
        break;
    }
}

void TOrderListCommand::Revert() {
    TSong& song = Song();
    if (kind_ == InsertPosition) song.DeletePosition(position_ == -1 ? length_ : position_);
    if (kind_ == DeletePosition) song.InsertPosition(position_);
    song.SetOrderList(orders_);
    if (song.RestartPosition() != restart_) song.SetRestartPosition(restart_);
}

void TOrderListCommand::Announce(bool applied) {
    const int position = position_ == -1 ? length_ : position_;
    if (kind_ == InsertPosition || kind_ == DeletePosition) {
        if ((kind_ == InsertPosition) == applied)
            EventManager().Dispatch<EvInsertPosition>(position);
        else
            EventManager().Dispatch<EvDeletePosition>(position);
        return;
    }
    EventManager().Dispatch<EvPositionRenumber>();
}

// --- Pattern list ------------------------------------------------------------------------

TPatternListCommand::TPatternListCommand(bool insert, std::vector<int> indices, bool renumber)
    : TEditCommand(insert ? "Insert Pattern" : "Delete Pattern"), insert_(insert),
      indices_(std::move(indices)), renumber_(renumber) {
    std::sort(indices_.begin(), indices_.end());
}

size_t TPatternListCommand::Bytes() const {
    size_t bytes = 0;
    for (const auto& pattern : detached_)
        if (pattern) bytes += pattern->Bytes();
    return bytes;
}

void TPatternListCommand::Apply() {
    orders_ = Song().OrderList();
    if (insert_)
        Insert();
    else
        Remove();
    ordersChanged_ = Song().OrderList() != orders_;
}

void TPatternListCommand::Revert() {
    TSong& song = Song();
    if (insert_) {
        detached_.clear();
        detached_.push_back(song.DetachPattern(indices_[0]));
    } else {
        for (size_t i = 0; i < indices_.size(); ++i)
            song.AttachPattern(indices_[i], std::move(detached_[i]));
        detached_.clear();
    }
    song.SetOrderList(orders_);
}

void TPatternListCommand::Insert() {
    TSong& song = Song();
    const int index = indices_[0];
    bool shifts = false;
    if (!detached_.empty()) {
        // A redo puts back the very pattern the undo took out.
        for (int p = 0; p < song.SongLength(); ++p) shifts |= song.Orders(p) >= index;
        song.AttachPattern(index, std::move(detached_[0]));
        detached_.clear();
    } else {
        shifts = song.InsertPattern(index);
    }
    if (shifts && renumber_) song.RenumberPatterns(index, +1);
}

void TPatternListCommand::Remove() {
    TSong& song = Song();
    detached_.clear();
    detached_.resize(indices_.size());
    TSong::OrderTable orders = song.OrderList();
    for (size_t i = indices_.size(); i-- > 0;) {
        const int index = indices_[i];
        detached_[i] = song.DetachPattern(index);
        if (!renumber_) continue;
        for (int p = 0; p < song.SongLength(); ++p) {
            const int entry = orders[size_t(p)] & 0xFF;
            if (entry >= index && entry > 0) orders[size_t(p)] = uint16_t(entry - 1);
        }
    }
    song.SetOrderList(orders);
}

void TPatternListCommand::Announce(bool inserted) {
    if (inserted)
        for (int index : indices_) EventManager().Dispatch<EvInsertPattern>(index);
    else
        for (auto it = indices_.rbegin(); it != indices_.rend(); ++it)
            EventManager().Dispatch<EvDeletePattern>(*it);
    if (ordersChanged_ || !insert_) EventManager().Dispatch<EvPositionRenumber>();
}

// --- Instruments -------------------------------------------------------------------------

TRemoveInstrumentsCommand::TRemoveInstrumentsCommand(std::vector<int> numbers)
    : TEditCommand("Remove Instruments"), numbers_(std::move(numbers)) {
    std::sort(numbers_.begin(), numbers_.end());
    numbers_.erase(std::unique(numbers_.begin(), numbers_.end()), numbers_.end());
}

size_t TRemoveInstrumentsCommand::Bytes() const {
    size_t bytes = 0;
    for (const auto& [pattern, changes] : renumbered_)
        bytes += changes.size() * sizeof(TCellChange);
    for (const auto& instrument : detached_)
        if (instrument) bytes += instrument->Bytes();
    return bytes;
}

void TRemoveInstrumentsCommand::Apply() {
    TSong& song = Song();
    const int count = song.InstrumentCount();
    // shift[j]: how many removed instruments are numbered below j.
    std::vector<int> shift(size_t(count), 0);
    for (int j = 0; j < count; ++j)
        shift[size_t(j)] =
            int(std::count_if(numbers_.begin(), numbers_.end(), [j](int n) { return n < j; }));
    renumbered_.clear();
    for (int p = 0; p < song.PatternCount(); ++p) {
        const TPattern& pattern = *song.Patterns(p);
        TCellChanges changes;
        for (int t = 0; t < pattern.TrackCount(); ++t)
            for (int r = 0; r < pattern.RowCount(); ++r) {
                const TCell cell = pattern.GetCell(t, r);
                if (cell.instrument == kInstrumentNone || cell.instrument >= count ||
                    shift[cell.instrument] == 0)
                    continue;
                TCell after = cell;
                after.instrument = uint8_t(cell.instrument - shift[cell.instrument]);
                changes.push_back({t, r, cell, after});
            }
        if (!changes.empty()) renumbered_.emplace_back(p, std::move(changes));
    }
    for (const auto& [pattern, changes] : renumbered_)
        WriteCells(*song.Patterns(pattern), changes, true);
    detached_.clear();
    detached_.resize(numbers_.size());
    for (size_t i = numbers_.size(); i-- > 0;) detached_[i] = song.DetachInstrument(numbers_[i]);
}

void TRemoveInstrumentsCommand::Revert() {
    TSong& song = Song();
    for (size_t i = 0; i < numbers_.size(); ++i)
        song.AttachInstrument(numbers_[i], std::move(detached_[i]));
    detached_.clear();
    for (const auto& [pattern, changes] : renumbered_)
        WriteCells(*song.Patterns(pattern), changes, false);
}

void TRemoveInstrumentsCommand::AnnounceApplied() {
    EventManager().Dispatch<EvInstListChange>();
    for (const auto& [pattern, changes] : renumbered_)
        EventManager().Dispatch<EvPatternChange>(Song().Patterns(pattern), -1, -1);
}

void TRemoveInstrumentsCommand::DropKept() {
    renumbered_.clear();
    detached_.clear();
}

// --- Samples -----------------------------------------------------------------------------

TSampleDataCommand::TSampleDataCommand(const QString& text, int instrument, int sample,
                                       std::function<void(TSample&)> process)
    : TEditCommand(text), instrument_(instrument), sample_(sample), process_(std::move(process)) {}

TSampleDataCommand::~TSampleDataCommand() {
    DropKept();
}

TSample& TSampleDataCommand::Target() const {
    return *Song().Instruments(instrument_)->Samples(sample_);
}

void TSampleDataCommand::Apply() {
    TSample& sample = Target();
    if (processed_) {
        if (swaps_) sample.ExchangeData(kept_);
        return;
    }
    // The process frees nothing: the block it replaces is what undo swaps back.
    TSampleData replaced{nullptr, sample.ByteLength(), sample.Bits(), sample.LoopStart(),
                         sample.LoopEnd()};
    replaced.block = sample.Record()->data;
    sample.KeepReplacedData(&replaced);
    try {
        process_(sample);
    } catch (...) {
        sample.KeepReplacedData(nullptr);
        throw;
    }
    sample.KeepReplacedData(nullptr);
    // A process that changed nothing still left the block in place: nothing to keep apart.
    swaps_ = replaced.block != sample.Record()->data;
    if (swaps_) kept_ = replaced;
    processed_ = true;
}

void TSampleDataCommand::Revert() {
    if (swaps_) Target().ExchangeData(kept_);
}

void TSampleDataCommand::AnnounceApplied() {
    EventManager().Dispatch<EvSampleChange>(instrument_, sample_);
}

void TSampleDataCommand::DropKept() {
    if (kept_.block) PLYRmemFree(kept_.block);
    kept_ = TSampleData{};
}

// --- Envelopes ---------------------------------------------------------------------------

TEnvelopeCommand::TEnvelopeCommand(const QString& text, int instrument, bool panning,
                                   std::function<void(TEnvelope&)> change)
    : TEditCommand(text), instrument_(instrument), panning_(panning), change_(std::move(change)) {}

TEnvelope& TEnvelopeCommand::Target() const {
    TInstrument* instrument = Song().Instruments(instrument_);
    TEnvelope* envelope = panning_ ? instrument->PanningEnvelope() : instrument->VolumeEnvelope();
    CW_ASSERT(envelope);
    return *envelope;
}

void TEnvelopeCommand::Apply() {
    TEnvelope& envelope = Target();
    if (changed_) {
        EngineLock lock;
        std::memcpy(envelope.Record(), &after_, sizeof after_);
        return;
    }
    std::memcpy(&before_, envelope.Record(), sizeof before_);
    change_(envelope);
    std::memcpy(&after_, envelope.Record(), sizeof after_);
    changed_ = true;
}

void TEnvelopeCommand::Revert() {
    EngineLock lock;
    std::memcpy(Target().Record(), &before_, sizeof before_);
}

void TEnvelopeCommand::AnnounceApplied() {
    EventManager().Dispatch<EvEnvelopeChange>(instrument_, panning_);
}

// --- Sample properties -------------------------------------------------------------------

TSamplePropertiesCommand::TProperties TSamplePropertiesCommand::Of(const SampleRecord& r) {
    TSamplePropertiesCommand::TProperties p;
    std::memcpy(p.name.data(), r.name, kNameSize);
    p.loopType = r.loopType;
    p.loopStart = r.loopStart;
    p.loopEnd = r.loopEnd;
    p.volume = r.volume;
    p.panning = r.panning;
    p.relativeNote = r.relativeNote;
    p.finetune = r.finetune;
    return p;
}

TSamplePropertiesCommand::TSamplePropertiesCommand(const QString& text, int instrument, int sample,
                                                   std::function<void(TSample&)> change)
    : TEditCommand(text), instrument_(instrument), sample_(sample), change_(std::move(change)) {}

TSample& TSamplePropertiesCommand::Target() const {
    return *Song().Instruments(instrument_)->Samples(sample_);
}

void TSamplePropertiesCommand::Write(const TProperties& p) const {
    TSample& sample = Target();
    {
        EngineLock lock;
        Store(*sample.Record(), p);
    }
    sample.Changed();
}

void TSamplePropertiesCommand::Store(SampleRecord& r, const TProperties& p) {
    std::memcpy(r.name, p.name.data(), kNameSize);
    FieldStore(r.loopType, uint8_t(p.loopType));
    FieldStore(r.loopStart, p.loopStart);
    FieldStore(r.loopEnd, p.loopEnd);
    FieldStore(r.volume, p.volume);
    FieldStore(r.panning, p.panning);
    FieldStore(r.relativeNote, p.relativeNote);
    FieldStore(r.finetune, p.finetune);
}

void TSamplePropertiesCommand::Apply() {
    if (changed_) {
        Write(after_);
        return;
    }
    TSample& sample = Target();
    before_ = Of(*sample.Record());
    {
        // A loop moves both its ends at once for the mixer.
        EngineLock lock;
        change_(sample);
    }
    after_ = Of(*sample.Record());
    changed_ = true;
}

void TSamplePropertiesCommand::Revert() {
    Write(before_);
}

void TSamplePropertiesCommand::AnnounceApplied() {
    EventManager().Dispatch<EvSampleChange>(instrument_, sample_);
}

// --- Keyboard map ------------------------------------------------------------------------

TKeyboardMapCommand::TKeyboardMapCommand(const QString& text, int instrument,
                                         std::vector<int> notes, int sample)
    : TEditCommand(text), instrument_(instrument), notes_(std::move(notes)), sample_(sample) {}

void TKeyboardMapCommand::Write(const std::vector<uint8_t>& map) const {
    TInstrument* instrument = Song().Instruments(instrument_);
    EngineLock lock;
    for (int note = 0; note < int(map.size()); ++note) instrument->SetNoteSample(note, map[note]);
}

void TKeyboardMapCommand::Apply() {
    TInstrument* instrument = Song().Instruments(instrument_);
    if (before_.empty()) {
        before_.resize(kNoteCount);
        for (int note = 0; note < kNoteCount; ++note)
            before_[note] = uint8_t(instrument->NoteSample(note));
    }
    EngineLock lock;
    for (int note : notes_) instrument->SetNoteSample(note, sample_);
}

void TKeyboardMapCommand::Revert() {
    Write(before_);
}

void TKeyboardMapCommand::AnnounceApplied() {
    EventManager().Dispatch<EvInstrumentChange>(instrument_);
}
