// The About window: program title, version, OK and "System Info".
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

class QLabel;
class QPushButton;

namespace varnook {

class MessageService;

// Reads a string value below HKEY_LOCAL_MACHINE (key, value name); nothing when it cannot.
using RegistryStringReader =
    std::function<std::optional<std::string>(const std::string&, const std::string&)>;

// The registry reader the program uses: the platform's registry calls.
std::optional<std::string> ReadMachineString(const std::string& key, const std::string& name);

class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout(MessageService& messages, RegistryStringReader readRegistry,
             QWidget* parent = nullptr);

    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblDescription;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;

    void cmdSysInfo_Click();

private:
    MessageService& messages_;
    RegistryStringReader readRegistry_;
};

}  // namespace varnook
