// The progress bar of Form1; see ProgressBar.h.
#include "app/ProgressBar.h"

namespace rk::app {

TProgressBar::TProgressBar(QWidget* parent) : QProgressBar(parent)
{
    setTextVisible(false);
    setFocusPolicy(Qt::NoFocus);
    showRange();
}

void TProgressBar::SetMax(int max)
{
    m_range.setMax(max);
    showRange();
}

void TProgressBar::SetPosition(int position)
{
    m_range.setPosition(position);
    showRange();
}

void TProgressBar::showRange()
{
    // A Qt bar with minimum and maximum both 0 turns into a busy indicator;
    // an empty table must show an empty bar instead.
    const int max = m_range.max();
    setRange(0, max == 0 ? 1 : max);
    setValue(m_range.position());
}

} // namespace rk::app
