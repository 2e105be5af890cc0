// The frame a property page is shown in: the page, and OK, Cancel and Apply (enabled while the
// page holds a change). A value the control refuses is reported, and the frame stays open.
#pragma once

#include <QDialog>

#include "platform/com.h"
#include "volctl/hosting.h"

class QPushButton;

namespace nw {
class Client;
}

namespace volmarra::ui {

class PropertyFrame : public QDialog {
    Q_OBJECT
public:
    PropertyFrame(vnk::com::ComPtr<IQtPropertyPage> page, QWidget* parent);
    ~PropertyFrame() override;

    IQtPropertyPage* page() const { return page_.get(); }
    QWidget* pageWidget;
    QPushButton* ok;
    QPushButton* cancel;
    QPushButton* apply;

    // Applies the page; when the control refuses the value, shows why and returns false.
    bool applyPage();

private:
    void statusChanged();

    vnk::com::ComPtr<IQtPropertyPage> page_;
};

// The control's "Properties" verb: its property page in a modal frame over parent.
void showPropertyPage(vnk::com::IUnknown* control, nw::Client& client, QWidget* parent);

}  // namespace volmarra::ui
