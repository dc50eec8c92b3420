#pragma once
// The On-line page: the live value of the selected station with its statistics, and the three
// lists that choose what the instrument measures. The main window routes the poller's
// notifications here and reads back which of its buttons to enable.

#include <QWidget>
#include <functional>

#include "measure/core/online_model.h"
#include "measure/core/station_status.h"

class QComboBox;
class QFrame;
class QPushButton;

namespace qx {

class TOnView;

// How the page reaches the station table: a copy of one record, and the write of a new
// configuration byte (with the value cleared when `clearValue`), made under the station lock.
struct StationAccess {
    std::function<StationRecord(int address)> read;
    std::function<void(int address, int config, bool clearValue)> writeConfig;
};

class TOnlinePage : public QWidget {
    Q_OBJECT
  public:
    TOnlinePage(ModelsInUse* models, StationAccess access, QWidget* parent = nullptr);

    OnlineModel& Model() { return model_; }
    void SetSelectedAddress(int address);
    void SetRecordingCount(int count);

    // Station-changed notification; `recording` keeps MOnStart as the recording set it. Returns
    // the enables of the buttons on other pages.
    StationEnables StationChanged(int address, bool recording);
    // Value notification; returns true when the value is to be recorded.
    bool ValueArrived(int address);
    // Configuration-known notification.
    void ConfigKnown(int address);

    void MOnSelectChange();
    void MOnRangeChange();
    void MOnClearClick();

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

  private:
    void BuildControls();
    StationRecord SelectedStation() const;
    // Shows the status of a station (and makes its models the models in use).
    void ShowStatus(int address, const StationRecord& station);
    void FillLists(int instrumentModel);

    ModelsInUse* models_;
    StationAccess access_;
    OnlineModel model_;
    StationRecord shown_;  // the selected station as last read, for painting
    int recordingCount_ = 0;
};

}  // namespace qx
