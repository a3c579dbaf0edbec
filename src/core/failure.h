#pragma once

#include <QString>

#include <exception>

namespace quill {

// A failed operation, carrying the text the failing facility gave for it.
// Reporting procedures catch it at the step that was running; everything
// else lets it pass to its caller.
class Failure : public std::exception {
public:
    explicit Failure(QString description, int number = 0)
        : m_description(std::move(description)), m_number(number) {}

    const QString &description() const noexcept { return m_description; }
    // The facility's own failure number, where it has one (0 otherwise).
    int number() const noexcept { return m_number; }
    const char *what() const noexcept override { return "quill::Failure"; }

private:
    QString m_description;
    int m_number;
};

} // namespace quill
