// The model's error classes. ClassName() is what the user interface shows before the message.
#pragma once

#include <stdexcept>
#include <string>

class EZException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    virtual const char* ClassName() const { return "Exception"; }
};

#define CW_DECLARE_ERROR(Name, Base)                                                               \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        using Base::Base;                                                                          \
        const char* ClassName() const override { return #Name; }                                   \
    }

CW_DECLARE_ERROR(EZAudioException, EZException);
CW_DECLARE_ERROR(ESampleError, EZAudioException);
CW_DECLARE_ERROR(EEnvelopeError, EZAudioException);
CW_DECLARE_ERROR(EInstrumentError, EZAudioException);
CW_DECLARE_ERROR(ESongError, EZAudioException);
CW_DECLARE_ERROR(EPatternError, EZAudioException);
CW_DECLARE_ERROR(EOutOfMemory, EZException);
CW_DECLARE_ERROR(EAssertionFailed, EZException);

// A broken precondition: raises EAssertionFailed with "message (file, line n)".
[[noreturn]] void AssertionFailed(const char* message, const char* file, int line);

#define CW_ASSERT_MSG(cond, message)                                                               \
    do {                                                                                           \
        if (!(cond)) AssertionFailed(message, __FILE__, __LINE__);                                 \
    } while (0)
#define CW_ASSERT(cond) CW_ASSERT_MSG(cond, "Assertion failure")

// Turns a failed engine call into EZAudioException "Sound engine error: " + the engine's message.
void CheckAudio(bool ok);
