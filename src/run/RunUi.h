#pragma once

#include "run/RunSummary.h"

#include <cstddef>
#include <optional>
#include <string>

namespace vinculor {

inline constexpr char kApplicationTitle[] = "Vinculor";
inline constexpr char kOpenDialogTitle[] = "Seleccionar Archivo XML obtenido de PINNCEL-EKADE";
inline constexpr char kOpenDialogFilter[] = "*.xml";
inline constexpr char kOpenDialogDefaultExtension[] = "xml";

// How a run talks to its user. The window implements it with dialogs and
// message boxes, the command line with its arguments and standard streams,
// tests with scripted answers.
class RunUi {
public:
    virtual ~RunUi() = default;

    // The file-open dialog: the confirmed path, or none when cancelled.
    virtual std::optional<std::string> chooseXmlFile() = 0;
    // A modal message captioned "Vinculor"; `details` may add what the run did.
    virtual void showMessage(const std::string& text, const std::string& details = {}) = 0;
    virtual void showError(const std::string& text) = 0;
    // The message that ends a completed run, with the run's whole summary;
    // a plain message with the summary as its details unless told otherwise.
    virtual void showReport(const std::string& text, const RunSummary& summary) {
        showMessage(text, summary.toText());
    }
    // The run has reached `step` (Spanish, for the user), the `done`-th of
    // `total`; reported at the start of each step. Ignored unless told otherwise.
    virtual void progress(const std::string& step, std::size_t done, std::size_t total) {
        (void)step;
        (void)done;
        (void)total;
    }
    // The application-wide hourglass cursor, on or back to normal.
    virtual void setHourglass(bool on) = 0;
    virtual void closeWindow() = 0;
};

// Sets the hourglass for as long as it lives.
class Hourglass {
public:
    explicit Hourglass(RunUi& ui) : ui_(ui) { ui_.setHourglass(true); }
    ~Hourglass() { ui_.setHourglass(false); }
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;

private:
    RunUi& ui_;
};

} // namespace vinculor
