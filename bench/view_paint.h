#pragma once

#include "bench_support.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QScrollBar>

#include <algorithm>
#include <vector>

// What a list view costs on the screen: when its rows are first painted, and
// how long a scroll step takes from asking to painted.
namespace quill::bench {

// Notes the row count a view's rows area last painted with.
class PaintWatch final : public QObject {
public:
    explicit PaintWatch(QAbstractItemView &view) : m_view(view) { view.viewport()->installEventFilter(this); }

    // Passes events until the view has painted with all `rows` rows known.
    void waitForRows(int rows)
    {
        while (m_paintedRows != rows)
            QApplication::processEvents();
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            m_paintedRows = m_view.model()->rowCount();
        return false;
    }

private:
    QAbstractItemView &m_view;
    int m_paintedRows = -1;
};

struct ScrollSteps {
    double firstMs = 0;     // the first step down after the rows came
    double medianMs = 0;    // steps to positions spread over the whole list
    double worstMs = 0;     // of all steps, the first included
    double worstCpuMs = 0;  // the same in processor time: what the step itself
                            // costs, without the waits for other processes
};

// One line down first, then jumps to 200 positions from top to bottom and a
// line up from each, every step painted at once.
inline ScrollSteps scrollSteps(QAbstractItemView &view)
{
    QScrollBar *bar = view.verticalScrollBar();
    double worstCpu = 0;
    const auto step = [&](auto &&move) {
        const double cpu = processorSeconds();
        const auto start = std::chrono::steady_clock::now();
        move();
        view.viewport()->repaint();
        worstCpu = std::max(worstCpu, (processorSeconds() - cpu) * 1e3);
        return secondsSince(start) * 1e3;
    };
    ScrollSteps r;
    r.firstMs = step([&] { bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); });
    std::vector<double> times;
    constexpr int kJumps = 200;
    for (int i = 0; i < kJumps; ++i) {
        const int to = int(qint64(bar->maximum()) * i / (kJumps - 1));
        times.push_back(step([&] { bar->setValue(to); }));
        times.push_back(step([&] { bar->triggerAction(QAbstractSlider::SliderSingleStepSub); }));
    }
    std::sort(times.begin(), times.end());
    r.medianMs = times[times.size() / 2];
    r.worstMs = std::max(r.firstMs, times.back());
    r.worstCpuMs = worstCpu;
    return r;
}

} // namespace quill::bench
