// The range rule of the window's horizontal progress bars, shared by the
// real bar and the transfer tests' doubles of it: minimum 0, maximum 100 until set, positions held inside
// the range, a maximum below the minimum refused.
#pragma once

#include <algorithm>

#include "db/common/Ansi.h"
#include "db/common/Exception.h"

namespace rk::app {

class ProgressRange {
public:
    int max() const noexcept { return m_max; }
    int position() const noexcept { return m_position; }

    void setMax(int max)
    {
        if (max < 0)
            throw EInvalidOperation(ansiFormat("Eigenschaft %s außerhalb des gültigen Bereichs",
                                               std::string("TProgressBar")));
        m_max = max;
        m_position = std::clamp(m_position, 0, m_max);
    }

    void setPosition(int position) { m_position = std::clamp(position, 0, m_max); }

private:
    int m_max = 100;
    int m_position = 0;
};

} // namespace rk::app
