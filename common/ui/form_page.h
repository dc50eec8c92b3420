#pragma once
// How a page of the main window takes part in the window's shared events without TMForm knowing
// the page: the poller's notifications, repaint requests for the On-line view, and the closing
// of the window. A page registers itself with TMForm::AddPage.

namespace qx {

class FormPage {
  public:
    virtual ~FormPage() = default;
    // Station-changed: after the poll list and the bus buttons, before the Setup status panel.
    virtual void StationChanged(int /*address*/) {}
    // Value read (or found missing); `timeOfDay` in tenths of a second since midnight.
    virtual void ValueRead(int /*address*/, int /*timeOfDay*/) {}
    // The station's configuration byte has been taken from the module.
    virtual void ConfigKnown(int /*address*/) {}
    // The Setup page's settings were applied (or probed); the On-line view redraws.
    virtual void RepaintView() {}
    // The main window is going away; the settings are saved and the link is still open.
    virtual void FormClosing() {}
};

}  // namespace qx
