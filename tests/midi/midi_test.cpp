// MIDI input and output: the queue between the service's thread and the interface thread, the
// components fed as the service feeds them, pass-through, and a machine without a sequencer.
#include "midi/midi_output.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>
#include <thread>

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> bytes;
    for (int v : values) bytes.push_back(uint8_t(v));
    return bytes;
}

void Deliver(TMidiInput& input, const std::vector<uint8_t>& message) {
    input.Deliver(0.001, message.data(), message.size());
}

} // namespace

TEST(MidiQueue, AFullQueueRefusesNewMessagesAndKeepsTheQueuedOnes) {
    TMidiQueue queue(4, 16, 2);
    for (uint32_t i = 0; i < 4; ++i) EXPECT_TRUE(queue.PushShort(i, 0x90 | i << 8));
    EXPECT_FALSE(queue.PushShort(9, 0x80));
    EXPECT_FALSE(queue.PushSysex(9, Bytes({0xF0, 1, 0xF7}).data(), 3)) << "no buffer lost to it";
    TMidiQueueEntry entry;
    std::vector<uint8_t> sysex;
    for (uint32_t i = 0; i < 4; ++i) {
        ASSERT_TRUE(queue.Pop(entry, sysex));
        EXPECT_EQ(entry.timestamp, i);
        EXPECT_EQ(entry.message >> 8, i);
    }
    EXPECT_FALSE(queue.Pop(entry, sysex));
}

TEST(MidiQueue, SystemExclusiveMessagesUseAndReturnTheBuffers) {
    TMidiQueue queue(8, 4, 2);
    const auto a = Bytes({0xF0, 1, 2, 3, 4, 5, 0xF7});
    EXPECT_TRUE(queue.PushSysex(1, a.data(), a.size()));
    EXPECT_TRUE(queue.PushSysex(2, a.data(), 3));
    EXPECT_FALSE(queue.PushSysex(3, a.data(), 3)) << "both buffers are in use";
    TMidiQueueEntry entry;
    std::vector<uint8_t> sysex;
    ASSERT_TRUE(queue.Pop(entry, sysex));
    EXPECT_EQ(sysex, Bytes({0xF0, 1, 2, 3})) << "cut to the buffer size";
    EXPECT_TRUE(queue.PushSysex(4, a.data(), 2)) << "the buffer came back";
    ASSERT_TRUE(queue.Pop(entry, sysex));
    EXPECT_EQ(sysex, Bytes({0xF0, 1, 2}));
    ASSERT_TRUE(queue.Pop(entry, sysex));
    EXPECT_EQ(entry.timestamp, 4u);
}

TEST(MidiQueue, AQueueHammeredFromAnotherThreadLosesAndReordersNothing) {
    TMidiQueue queue(64, 8, 4);
    constexpr uint32_t kCount = 50000;
    std::thread writer([&] {
        for (uint32_t i = 0; i < kCount;) {
            const bool sysex = i % 97 == 0;
            const uint8_t bytes[3] = {0xF0, uint8_t(i), uint8_t(i >> 8)};
            if (sysex ? queue.PushSysex(i, bytes, 3) : queue.PushShort(i, i << 8))
                ++i;
            else
                std::this_thread::yield();
        }
    });
    TMidiQueueEntry entry;
    std::vector<uint8_t> sysex;
    uint32_t expected = 0;
    bool inOrder = true;
    while (expected < kCount) {
        if (!queue.Pop(entry, sysex)) continue;
        inOrder &= entry.timestamp == expected;
        if (expected % 97 == 0)
            inOrder &= sysex.size() == 3 && sysex[1] == uint8_t(expected);
        else
            inOrder &= entry.message >> 8 == expected;
        ++expected;
    }
    writer.join();
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(queue.PendingCount(), 0u);
}

TEST(MidiInput, MessagesFromTheServiceThreadArriveOnTheInterfaceThread) {
    TMidiInput input;
    input.OpenWithoutDevice();
    input.Start();
    std::vector<std::string> log;
    std::thread::id handledOn;
    input.OnMidiInput = [&] {
        handledOn = std::this_thread::get_id();
        while (auto event = input.ReadEvent())
            log.push_back(std::to_string(event->Status) + ", " + std::to_string(event->Param1) +
                          ", " + std::to_string(event->Param2));
    };
    std::thread service([&] {
        Deliver(input, Bytes({144, 60, 100}));
        Deliver(input, Bytes({144, 60, 0}));
        Deliver(input, Bytes({143, 61, 64}));
    });
    service.join();
    EXPECT_TRUE(log.empty()) << "nothing is handled on the service's thread";
    EXPECT_TRUE(QTest::qWaitFor([&] { return log.size() == 3; }, 2000));
    EXPECT_EQ(log, (std::vector<std::string>{"144, 60, 100", "144, 60, 0", "143, 61, 64"}));
    EXPECT_EQ(handledOn, std::this_thread::get_id());
}

TEST(MidiInput, StoppedInputDropsAndSysexOnlyKeepsOnlySystemExclusive) {
    TMidiInput input;
    input.OpenWithoutDevice();
    Deliver(input, Bytes({144, 60, 100}));
    EXPECT_EQ(input.PendingCount(), 0u) << "not started";
    input.Start();
    input.SysexOnly = true;
    Deliver(input, Bytes({144, 60, 100}));
    Deliver(input, Bytes({0xF0, 0x7E, 0xF7}));
    ASSERT_EQ(input.PendingCount(), 1u);
    auto event = input.ReadEvent();
    EXPECT_EQ(event->Status, 0xF0);
    EXPECT_EQ(event->SysexSize, 3);
    EXPECT_EQ(event->SysexBytes, Bytes({0xF0, 0x7E, 0xF7}));
    EXPECT_THROW(input.SetSysexBufferSize(10), EMidiInputError);
    input.Close();
    EXPECT_EQ(input.PendingCount(), 0u);
    EXPECT_EQ(input.ReadEvent(), nullptr);
}

TEST(MidiInput, AFullQueueReportsOverflowOnTheInterfaceThread) {
    TMidiInput input;
    input.Capacity = 2;
    input.OpenWithoutDevice();
    input.Start();
    int overflows = 0;
    input.OnOverflow = [&] { ++overflows; };
    for (int i = 0; i < 5; ++i) Deliver(input, Bytes({144, 60 + i, 100}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return overflows > 0; }, 2000));
    EXPECT_EQ(overflows, 1) << "one report for the run of lost messages";
    EXPECT_EQ(input.ReadEvent()->Param1, 60);
    EXPECT_EQ(input.ReadEvent()->Param1, 61);
}

TEST(MidiOutput, PassThroughForwardsMessagesUnchanged) {
    TMidiOutput output;
    TMyMidiEvent note{144, 60, 100, 5, 0, {}};
    EXPECT_THROW(output.SendEvent(note), EmidioutputError);
    std::vector<std::vector<uint8_t>> sent;
    int longsDone = 0;
    output.Onmidioutput = [&] { ++longsDone; };
    output.OpenPort([&](const std::vector<uint8_t>& message) { sent.push_back(message); });
    output.SendEvent(note);
    TMyMidiEvent sysex{0xF0, 0, 0, 6, 4, Bytes({0xF0, 0x43, 0x10, 0xF7})};
    output.SendEvent(sysex);
    EXPECT_EQ(sent, (std::vector<std::vector<uint8_t>>{Bytes({144, 60, 100}),
                                                       Bytes({0xF0, 0x43, 0x10, 0xF7})}));
    EXPECT_EQ(longsDone, 1);
    // Each short message goes out at its own length, whatever the two data bytes hold.
    sent.clear();
    output.SendShort(0xC3, 5, 9);
    output.SendShort(0xD0, 40, 0);
    output.SendShort(0xF8, 0, 0);
    output.SendShort(0xF2, 1, 2);
    EXPECT_EQ(sent, (std::vector<std::vector<uint8_t>>{Bytes({0xC3, 5}), Bytes({0xD0, 40}),
                                                       Bytes({0xF8}), Bytes({0xF2, 1, 2})}));
    EXPECT_THROW(output.SetDeviceID(-1), EmidioutputError) << "not while open";
    output.Close();
    EXPECT_THROW(output.SendShort(128, 60, 0), EmidioutputError);
}

TEST(MidiWithoutSequencer, ListsNothingFailsNothingAndPrintsNothing) {
    if (MidiSystemAvailable()) GTEST_SKIP() << "this machine has a MIDI sequencer";
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    TMidiInput input;
    TMidiOutput output;
    input.RefreshDevices();
    output.RefreshDevices();
    const std::string printed =
        testing::internal::GetCapturedStderr() + testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "");
    EXPECT_EQ(input.DeviceCount(), 0);
    EXPECT_EQ(output.DeviceCount(), 0);
    try {
        input.SetDeviceID(0);
        ADD_FAILURE() << "no device 0";
    } catch (const EMidiInputError& error) {
        EXPECT_STREQ(error.what(), "Invalid device ID");
    }
    try {
        output.SetProductName("Keys");
        ADD_FAILURE() << "no such device";
    } catch (const EmidioutputError& error) {
        EXPECT_STREQ(error.what(), "MIDI output Device Keys not installed");
    }
    EXPECT_THROW(input.Open(), EMidiInputError);
}

TEST(MidiWithSequencer, AVirtualPortReachesTheInput) {
    if (!MidiSystemAvailable()) GTEST_SKIP() << "this machine has no MIDI sequencer";
    RtMidiOut keyboard;
    keyboard.openVirtualPort("Cantorwright Test Keys");
    TMidiInput input;
    int device = -1;
    for (int i = 0; i < input.DeviceCount(); ++i)
        if (input.DeviceName(i).find("Cantorwright Test Keys") != std::string::npos) device = i;
    ASSERT_GE(device, 0);
    input.SetDeviceID(device);
    input.Open();
    input.Start();
    std::vector<unsigned char> message{144, 60, 100};
    keyboard.sendMessage(&message);
    ASSERT_TRUE(QTest::qWaitFor([&] { return input.PendingCount() > 0; }, 2000));
    auto event = input.ReadEvent();
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->Status, 144);
    EXPECT_EQ(event->Param1, 60);
    EXPECT_EQ(event->Param2, 100);
}

TEST(MidiWithSequencer, PassedOnMessagesReachAVirtualPortUnchanged) {
    if (!MidiSystemAvailable()) GTEST_SKIP() << "this machine has no MIDI sequencer";
    RtMidiIn sink;
    std::vector<std::vector<uint8_t>> received;
    sink.openVirtualPort("Cantorwright Test Sink");
    TMidiOutput output;
    int device = -1;
    for (int i = 0; i < output.DeviceCount(); ++i)
        if (output.DeviceName(i).find("Cantorwright Test Sink") != std::string::npos) device = i;
    ASSERT_GE(device, 0);
    output.SetDeviceID(device);
    output.Open();
    output.SendEvent(TMyMidiEvent{144, 60, 100, 0, 0, {}});
    output.SendShort(0xC1, 7, 0);
    std::vector<unsigned char> message;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            sink.getMessage(&message);
            if (!message.empty()) received.emplace_back(message.begin(), message.end());
            return received.size() == 2;
        },
        2000));
    EXPECT_EQ(received,
              (std::vector<std::vector<uint8_t>>{Bytes({144, 60, 100}), Bytes({0xC1, 7})}));

    // Another port appearing leaves the chosen one chosen, wherever it now is in the list.
    RtMidiIn other;
    other.openVirtualPort("Cantorwright Test Other");
    output.RefreshDevices();
    EXPECT_NE(output.DeviceName(output.DeviceID()).find("Cantorwright Test Sink"),
              std::string::npos);
}
