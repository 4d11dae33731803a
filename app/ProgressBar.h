// ProgressBar: the window's horizontal progress bar. Max and Position follow
// the range rule in app/ProgressRange.h, which the transfer relies on; the Qt
// bar only shows them. No text is drawn on the bar.
#pragma once

#include <QProgressBar>

#include <cstdint>

#include "app/ProgressRange.h"

namespace rk::app {

class ProgressBar : public QProgressBar {
public:
    explicit ProgressBar(QWidget* parent = nullptr);

    int max() const noexcept { return m_range.max(); }
    // Below 0: EInvalidOperation "Eigenschaft TProgressBar außerhalb des
    // gültigen Bereichs"; the bar keeps its range then.
    void setMax(int max);
    int position() const noexcept { return m_range.position(); }
    // Held inside 0..Max.
    void setPosition(int position);

private:
    void showRange();

    ProgressRange m_range;
    int64_t m_shownPixel = -1;  // fill width last handed to Qt
};

} // namespace rk::app
