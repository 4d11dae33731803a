// The progress bar of MainWindow; see ProgressBar.h.
#include "app/ProgressBar.h"

#include <algorithm>

namespace rk::app {

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent)
{
    setTextVisible(false);
    setFocusPolicy(Qt::NoFocus);
    showRange();
}

void ProgressBar::setMax(int max)
{
    m_range.setMax(max);
    showRange();
}

void ProgressBar::setPosition(int position)
{
    m_range.setPosition(position);
    showRange();
}

void ProgressBar::showRange()
{
    // A Qt bar with minimum and maximum both 0 turns into a busy indicator;
    // an empty table must show an empty bar instead.
    const int max = m_range.max();
    const int shownMax = max == 0 ? 1 : max;
    const int position = m_range.position();
    // The lower bar moves once per source row, and Qt asks its style for
    // the groove's geometry on every value it is given: hand it a value only
    // when the fill moves by a pixel, or reaches either end.
    const int64_t pixel = int64_t(position) * std::max(1, width()) / shownMax;
    if (shownMax == maximum() && pixel == m_shownPixel && position != 0 && position != max) return;
    if (shownMax != maximum()) setRange(0, shownMax);
    setValue(position);
    m_shownPixel = pixel;
}

} // namespace rk::app
