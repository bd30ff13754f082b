#include "simops/ProgressMeter.h"

#include "shell/UserInterface.h"

ProgressMeter::ProgressMeter(int recordCount, UserInterface& ui)
    : m_ui(ui), m_step(recordCount * 0.01)
{
}

bool ProgressMeter::advance(int value)
{
    if (value <= m_threshold)
        return false;
    // A card without phone-book records has no step: anything done is all of it.
    // Adding into free records counts records and contacts together, which can
    // pass the record count; the display stops at 100.
    const double ratio = m_step > 0.0 ? value / m_step : 100.0;
    m_percent = ratio >= 100.0 ? 100 : static_cast<int>(ratio);
    ++m_steps;
    m_threshold += m_step;
    m_ui.setProgress(m_percent);
    return true;
}
