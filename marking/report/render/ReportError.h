#pragma once

#include <QString>
#include <optional>
#include <utility>

namespace marking::store {
struct StoreError;
}

namespace marking::report {

// What went wrong while reading a layout, reading the rows or writing the
// report. Nothing is thrown; every failing call returns one of these.
struct ReportError {
    QString file;   // the file concerned (path as given), may be empty
    int line = 0;   // line of the layout file, 1-based; 0 when no line applies
    QString reason; // Korean, one sentence

    // "<file> <line>행: <reason>", "<file>: <reason>" without a line.
    QString Text() const;

    static ReportError FromStore(const store::StoreError& error);
};

// The title of the message box that reports a report error.
QString ReportErrorTitle(); // "리포트 오류!"

// Shows the error through marking::Messages().
void ShowReportError(const ReportError& error);

// Outcome of a call without a value.
class [[nodiscard]] ReportStatus {
public:
    ReportStatus() = default;
    ReportStatus(ReportError error)
        : error_(std::move(error)) {}
    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }
    const ReportError& error() const { return *error_; } // only when !ok()

private:
    std::optional<ReportError> error_;
};

// Outcome of a call with a value: the value, or the error.
template <class T> class [[nodiscard]] ReportResult {
public:
    ReportResult(T value)
        : value_(std::move(value)) {}
    ReportResult(ReportError error)
        : error_(std::move(error)) {}
    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const { return *value_; } // only when ok()
    T& value() { return *value_; }
    T&& take() { return std::move(*value_); }
    const ReportError& error() const { return *error_; } // only when !ok()

private:
    std::optional<T> value_;
    std::optional<ReportError> error_;
};

} // namespace marking::report
