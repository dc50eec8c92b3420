#pragma once
// The On-line page: the live value of the selected station with its statistics, and the three
// lists that choose what the instrument measures. The main window routes the poller's
// notifications here and reads back which of its buttons to enable.

#include <QWidget>
#include <functional>
#include <string>

#include "measure/core/online_model.h"
#include "measure/core/recorder.h"
#include "measure/core/station_status.h"

class QComboBox;
class QFrame;
class QPushButton;

namespace qx {

class Session;
class TOnView;

// How the page reaches the station table: a copy of one record, and the write of a new
// configuration byte (with the value cleared when `clearValue`), made under the station lock.
struct StationAccess {
    std::function<StationRecord(int address)> read;
    std::function<void(int address, int config, bool clearValue)> writeConfig;
};

// The dialogs the recording needs, supplied by the main window (tests answer them directly).
struct RecordingPrompts {
    // The data file to record into ("Soubor hodnot|*.PRN"); empty when the user cancels.
    std::function<std::string()> chooseFile;
    // A message box with an exclamation icon: text and caption.
    std::function<void(const std::string& text, const std::string& caption)> warn;
    // A yes/no question with an exclamation icon: text and caption; true for "yes".
    std::function<bool(const std::string& text, const std::string& caption)> ask;
};

class OnlinePage : public QWidget {
    Q_OBJECT
  public:
    OnlinePage(ModelsInUse* models, StationAccess access, RecordingPrompts prompts,
               LocalClock clock = SystemLocalTime, QWidget* parent = nullptr);
    // The page of the main window: the session's station table, models and prompts; it follows
    // the selected address whenever the settings are applied.
    OnlinePage(Session& session, QWidget* parent);

    OnlineModel& Model() { return model_; }
    void SetSelectedAddress(int address);
    // The port's device while it is gone (the status line names it, the live value is not
    // shown); empty when it is there.
    void SetPortLost(const std::string& device);
    const std::string& RecordingFileName() const { return recordingFileName_; }
    bool Recording() const { return !recordingFileName_.empty(); }

    // Station-changed notification. Returns the enables of the buttons on other pages.
    StationEnables StationChanged(int address);
    // Value notification: statistics, view and the recording of the value read at `tenths`
    // (time of day in tenths of a second).
    void ValueArrived(int address, int tenths);
    // Configuration-known notification.
    void ConfigKnown(int address);

    void MOnSelectChange();
    void MOnRangeChange();
    void MOnClearClick();
    void MOnStartClick();
    void MOnStopClick();

    QComboBox* MOnSelect = nullptr;
    QComboBox* MOnRange = nullptr;
    QComboBox* MOnInput = nullptr;
    QPushButton* MOnClear = nullptr;
    QPushButton* MOnStart = nullptr;
    QPushButton* MOnStop = nullptr;
    QFrame* MOnPanel = nullptr;
    TOnView* MOnView = nullptr;

  signals:
    // The Setup page's status panel shows this caption.
    void SetupStatusChanged(const QString& caption);
    // The full input set may have changed: the Schedule page refills its input list.
    void InputSetChanged();
    // The window caption shows the recording file name; empty for the banner.
    void CaptionChanged(const QString& fileName);

  private:
    void BuildControls();
    // The main window is `extra` larger than its design size: the view takes the room, the
    // lists and buttons beside and below it move with its edges.
    void UseRoom(const QSize& extra);
    StationRecord SelectedStation() const;
    // Shows the status of a station (and makes its models the models in use).
    void ShowStatus(int address, const StationRecord& station);
    void FillLists(int instrumentModel);

    ModelsInUse* models_;
    StationAccess access_;
    OnlineModel model_;
    RecordingPrompts prompts_;
    Recorder recorder_;
    std::string portLost_;           // the port's device while it is gone
    std::string recordingFileName_;  // empty while not recording
    StationRecord shown_;            // the selected station as last read, for painting
};

}  // namespace qx
