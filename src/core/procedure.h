#pragma once

#include "error_report.h"
#include "failure.h"

#include <QString>

#include <exception>
#include <new>
#include <utility>

namespace quill {

class MessageBoxes;

// The failure trap of a reporting procedure. Each step runs through it: a
// failing step stops where it failed, the error report names the procedure
// and the step, and the procedure carries on with its next step. A failed
// condition counts as met, so the branch it guards runs.
class Procedure final {
public:
    Procedure(MessageBoxes &boxes, QString path) : m_boxes(boxes), m_path(std::move(path)) {}
    Procedure(const Procedure &) = delete;
    Procedure &operator=(const Procedure &) = delete;

    const QString &path() const noexcept { return m_path; }
    // Whether any step so far failed and was reported.
    bool anyFailed() const noexcept { return m_failures > 0; }

    template <typename F>
    void step(int number, F &&action)
    {
        try {
            std::forward<F>(action)();
        } catch (const Failure &failure) {
            report(number, failure.description());
        } catch (const std::bad_alloc &) {
            report(number, QStringLiteral("Out of memory"));
        } catch (const std::exception &error) {
            report(number, QString::fromLocal8Bit(error.what()));
        }
    }

    // A condition whose evaluation fails is reported and counts as met, so
    // the branch it guards runs.
    template <typename F>
    bool metOrFailed(int number, F &&condition)
    {
        bool result = true;
        step(number, [&] { result = std::forward<F>(condition)(); });
        return result;
    }

private:
    void report(int number, const QString &description)
    {
        ++m_failures;
        ShowErrorReport(m_boxes, m_path, number, description);
    }

    MessageBoxes &m_boxes;
    QString m_path;
    int m_failures = 0;
};

} // namespace quill
