// Where the playing-row marker stands between two reports of the player's row. The player is
// asked a few times per row at best, so the marker runs on from the last row change at the
// pace of the rows seen so far, and waits just short of the next row for the player to get
// there: it never runs ahead into a row that has not begun nor steps back.
#pragma once

class TMarkerClock {
public:
    // Playback starts or resumes at a row; rowMs is a first guess of a row's length.
    void Start(int row, double nowMs, double rowMs);
    void Stop() { running_ = false; }
    bool Running() const { return running_; }

    // The player's row at nowMs. The next row teaches the pace; any other change (a jump, a
    // loop, a new pattern) starts over there at the pace so far.
    void Observe(int row, double nowMs);

    int Row() const { return row_; }
    double RowMs() const { return rowMs_; }
    // How far into the row the marker is, 0 up to just below 1; 0 when stopped.
    double Fraction(double nowMs) const;

private:
    static constexpr double kMinRowMs = 5.0;
    static constexpr double kMaxRowMs = 5000.0;
    static constexpr double kMaxFraction = 0.97;

    bool running_ = false;
    int row_ = 0;
    double rowStart_ = 0.0;
    double rowMs_ = 125.0;
};
