#pragma once
// The Schedule page: the eight-index schedule shown one index at a time, the two schedule-wide
// check boxes, the schedule file at start and exit, and the three buttons that send, check and
// clear through the logger core, enabled while a module answers on the bus.

#include <QString>
#include <QWidget>

#include "logger/core/schedule.h"
#include "logger/core/transaction_result.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace qx {

class ModelsInUse;
class Session;

class ShedPage : public QWidget {
    Q_OBJECT
  public:
    // The controls stay disabled until ShedRead; on Closing the shown entry is taken from the
    // controls and the schedule file written to the working directory.
    explicit ShedPage(Session& session, QWidget* parent = nullptr);

    // Loads dir/ROZVRH.QX (the defaults when it is missing) and enables the controls.
    bool ShedRead(const QString& dir);
    // Writes the table and the check boxes to dir/ROZVRH.QX; a message when it cannot.
    bool ShedWrite(const QString& dir);
    bool ShedShow(int index);
    bool ShedStore(int index);
    void MShedIndexEnter();
    void MShedSelectChange();
    // The input choices depend on the instrument and module in use.
    void RefreshInput();

    // The table with the check boxes as they stand now (after ShedStore of the shown index).
    Schedule CurrentSchedule();
    int ShownIndex() const { return shownIndex_; }

    // Send and check use the Setup page's address text as it stands; the clear uses the
    // selected address. Inside another transaction that lets events through they do nothing.
    void MShedSendClick();
    void MShedCheckClick();
    void MShedClearClick();
    void FormClosing();

    // Enabled while a module answers on the bus.
    QPushButton* MShedSend = nullptr;
    QPushButton* MShedCheck = nullptr;
    QPushButton* MShedClear = nullptr;

    QGroupBox* MShedIndex = nullptr;  // radio group "Index", items "1".."8"
    QGroupBox* MShedParam = nullptr;
    QCheckBox* MShedActive = nullptr;
    QComboBox* MShedSelect = nullptr;
    QComboBox* MShedRange = nullptr;
    QComboBox* MShedInput = nullptr;
    QLineEdit* MShedDate = nullptr;
    QLineEdit* MShedTime = nullptr;
    QLineEdit* MShedInter = nullptr;
    QLineEdit* MShedHigh = nullptr;
    QLineEdit* MShedLow = nullptr;
    QLineEdit* MShedLimit = nullptr;
    QCheckBox* MShedRewrite = nullptr;
    QCheckBox* MShedAlloff = nullptr;

  private:
    void BuildModuleButtons();
    void BuildControls();
    QLineEdit* AddEdit(const char* name, const QString& label, const QString& hint, int row);
    void EnableControls();
    enum class Operation { kSend, kCheck, kClear };
    TransactionResult Run(Operation op, int address);

    Session& session_;
    ModelsInUse* models_;
    QButtonGroup* indexGroup_ = nullptr;
    bool haveTable_ = false;
    Schedule table_;
    int shownIndex_ = 0;
    int shownQuantity_ = 0;
    int shownRange_ = 0;
    int shownInput_ = 0;
};

}  // namespace qx
