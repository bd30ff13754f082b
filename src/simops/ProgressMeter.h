#pragma once

class UserInterface;

// The progress display of one card transfer. The step is one hundredth of the
// phone book's record count (taken before the 450-record limit); each advance
// past the next threshold moves the display once and shows value / step per
// cent, so the display is refreshed about a hundred times per run whatever
// the card's size. With 250 records it shows 0% at record 1, 1% at record 3
// and 2% at record 6.
class ProgressMeter
{
public:
    ProgressMeter(int recordCount, UserInterface& ui);

    // Moves the display when `value` is past the threshold; true when it moved.
    bool advance(int value);

    // What the display shows: the last percentage and how often the bar stepped.
    int percent() const { return m_percent; }
    int steps() const { return m_steps; }

private:
    UserInterface& m_ui;
    double m_step;
    double m_threshold = 0.0;
    int m_percent = 0;
    int m_steps = 0;
};
