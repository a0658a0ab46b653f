#pragma once

#include "run/RunUi.h"

#include <iosfwd>
#include <string>

namespace vinculor::cli {

// A run's user on the command line: the file comes from the arguments,
// messages go to standard output (to standard error when the output is JSON).
class CliUi : public RunUi {
public:
    CliUi(std::string file, std::ostream& messages);

    std::optional<std::string> chooseXmlFile() override;
    void showMessage(const std::string& text, const std::string& details) override;
    void showError(const std::string& text) override;
    void setHourglass(bool) override {}
    void closeWindow() override {}

private:
    std::string file_;
    std::ostream& messages_;
};

} // namespace vinculor::cli
