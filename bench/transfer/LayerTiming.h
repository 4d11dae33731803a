// Where the time of the program's transfer goes: the run's ports and the
// client library's entry points are wrapped so that every moment of the run
// is charged to one layer. Client calls are all time inside the client
// library (attach, prepare, execute, blobs, transaction start and commit),
// the work the bare loop does too; the other layers are the program's own.
// Costs two clock readings per change of layer (about 10 per row), so the
// benchmark times its ratio on a run without it.
//
//   LayerClock layers;
//   MainWindow window(args, [&](MainWindow& w) { return timedParts(makeDatabaseParts(w, session), layers); });
//   layers.start(); window.onStartClicked(); layers.stop();   // client calls timed meanwhile
// The bench's window port calls layers.switchTo(Layer::Waiting) after each processEvents.
#pragma once

#include <array>
#include <chrono>
#include <memory>

#include "app/DatabaseParts.h"

namespace rk::bench {

// Layers of the run's own thread. The rows are read and mapped ahead on a
// thread of the transfer's own; what the run's thread sees of that is the
// row loop (after a row's event processing, until the next row's binding:
// taking the next row, and any wait for it; two of the clock readings fall
// into it). The source's own time on the reading thread is counted apart
// (sourceSeconds), beside the run's.
enum class Layer { Binding, Client, Window, Waiting, Other };
inline constexpr int kLayerCount = 5;
// legend: the layers' names as printed.
inline constexpr const char* kLayerNames[kLayerCount] = {
    "binding (our side)", "client calls (all of them)", "window (progress, events)",
    "the row loop (taking the next row)", "our work outside the rows"};

class LayerClock {
public:
    using Clock = std::chrono::steady_clock;

    // Installs the timed client entry points and starts charging Other.
    void start();
    // Charges the last stretch and puts the client's entry points back.
    void stop();
    // Charges the time since the last change to the current layer; returns
    // the layer left.
    Layer switchTo(Layer next)
    {
        const auto now = Clock::now();
        m_seconds[int(m_current)] += std::chrono::duration<double>(now - m_since).count();
        m_since = now;
        const Layer left = m_current;
        m_current = next;
        return left;
    }
    double seconds(Layer layer) const { return m_seconds[int(layer)]; }
    double total() const;
    // Time inside the source query's calls while the rows are read, on
    // whichever thread reads them (one at a time).
    double sourceSeconds() const { return m_sourceSeconds; }
    void addSourceSeconds(double s) { m_sourceSeconds += s; }

private:
    std::array<double, kLayerCount> m_seconds{};
    double m_sourceSeconds = 0;
    Layer m_current = Layer::Other;
    Clock::time_point m_since;
};

// The real parts with their target statement and source query timed.
std::unique_ptr<app::DatabaseParts> timedParts(std::unique_ptr<app::DatabaseParts> real, LayerClock& layers);

} // namespace rk::bench
