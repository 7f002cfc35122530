#pragma once

#include <QString>

namespace quillory {

// The three user defaults that decide how a counter is written.
struct CounterFormat
{
    bool useLeading0 = true;    // useLeading0ForField1
    bool forceLeading0 = false; // forceLeading0ForField1
    qint64 forcedTotLen = 3;    // forcedTotLenField1
};

// Writes counters as the record tables show them and as "<#>" expands.
class CounterText
{
public:
    // The largest forced length; longer settings count as this, and the preferences offer
    // no more.
    static constexpr qint64 kMaxForcedTotalLength = 9;

    // counter in decimal, padded with "0" to the width of largestCounter (its decimal text,
    // sign included), or to the forced length (at most 9); never shortened. A negative
    // counter keeps its "-" in front of the zeros ("-07" for -7 at width 3); a forced length
    // of 0 or less pads nothing.
    static QString format(qint64 counter, qint64 largestCounter, const CounterFormat& f);
};

} // namespace quillory
