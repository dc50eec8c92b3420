#include "data/ui/graph_page.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>

#include "common/ui/named_button.h"
#include "data/core/graph_prep.h"
#include "data/ui/data_view.h"
#include "data/ui/graph_export.h"
#include "data/ui/graph_view.h"
#include "measure/ui/session.h"

namespace qx {

GraphPage::GraphPage(Session& session, DataView& view, QWidget* parent)
    : QWidget(parent), session_(session), view_(view) {
    setObjectName(QStringLiteral("MGraphSh"));
    BuildControls();
    connect(&session, &Session::RoomChanged, this, &GraphPage::UseRoom);
    connect(&view, &DataView::GraphChanged, this, [this] {
        ShowGraphState();
        MGrView->update();
    });
    connect(&view, &DataView::HintChanged, MGrView, &QWidget::setToolTip);
}

void GraphPage::UseRoom(const QSize& extra) {
    const int dx = std::max(0, extra.width());
    const int dy = std::max(0, extra.height());
    MGrPanel->setGeometry(8, 40, 401 + dx, 212 + dy);
    MGrView->setGeometry(2, 2, 394 + dx, 191 + dy);
    MGrScroll->setGeometry(2, 194 + dy, 394 + dx, 13);
    MGrLupaM->move(260 + dx, 8);
    MGrLupaP->move(340 + dx, 8);
}

void GraphPage::BuildControls() {
    auto* label = new QLabel(QStringLiteral("Veličina:"), this);
    label->setObjectName("Label1");
    label->setGeometry(8, 10, 60, 20);
    MGrSelect = view_.AddQuantityList(this, "MGrSelect");
    label->setBuddy(MGrSelect);
    MGrLupaM = NamedButton(this, "MGrLupaM", QStringLiteral("Lupa -"),
                           QStringLiteral("Zmenší rozlišení časové osy"), QRect(260, 8, 70, 26));
    MGrLupaP = NamedButton(this, "MGrLupaP", QStringLiteral("Lupa +"),
                           QStringLiteral("Zvětší rozlišení časové osy"), QRect(340, 8, 70, 26));
    MGrLupaP->setDefault(true);
    MGrLupaM->setEnabled(false);
    MGrLupaP->setEnabled(false);
    MGrPanel = new QFrame(this);
    MGrPanel->setObjectName("MGrPanel");
    MGrPanel->setGeometry(8, 40, 401, 212);
    MGrPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    MGrPanel->setLineWidth(2);
    MGrView = new GraphView(MGrPanel);
    MGrView->setGeometry(2, 2, 394, 191);
    // The plot follows the view's size: the panel is the view with the scroll bar's band.
    MGrView->SetSource(&view_.Graph(), &view_.Records(), view_.QuantityAddress());
    MGrView->SetInteraction(&view_.Graph(), &view_.Shown(), [this] { ShowGraphState(); });
    connect(MGrView, &GraphView::ReadOut, this,
            [this](const QString& text) { session_.ShowStatusMessage(text); });
    MGrView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(MGrView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(MGrView);
        menu.addAction(QStringLiteral("&Uložit obrázek…"), this, [this] { MGrSaveClick(); });
        menu.addAction(QStringLiteral("&Tisk…"), this, [this] { MGrPrintClick(); });
        menu.exec(MGrView->mapToGlobal(at));
    });
    MGrScroll = new QScrollBar(Qt::Horizontal, MGrPanel);
    MGrScroll->setObjectName("MGrScroll");
    MGrScroll->setGeometry(2, 194, 394, 13);
    MGrScroll->setToolTip(QStringLiteral("Posun časové osy grafu beze změny rozlišení"));
    MGrScroll->setRange(0, 10000);
    MGrScroll->setPageStep(2);
    MGrScroll->setEnabled(false);
    connect(MGrSelect, &QComboBox::activated, this, [this] { MGrSelectChange(); });
    connect(MGrLupaM, &QPushButton::clicked, this, [this] { MGrLupaMClick(); });
    connect(MGrLupaP, &QPushButton::clicked, this, [this] { MGrLupaPClick(); });
    connect(MGrScroll, &QScrollBar::actionTriggered, this, [this](int a) { MGrScrollScroll(a); });
    connect(MGrScroll, &QScrollBar::sliderReleased, this,
            [this] { MGrScrollScroll(QAbstractSlider::SliderMove + 100); });
}

void GraphPage::ShowGraphState() {
    const GraphState& graph = view_.Graph();
    MGrScroll->setEnabled(graph.scrollEnabled);
    MGrLupaM->setEnabled(graph.scrollEnabled);
    MGrLupaP->setEnabled(graph.zoomInEnabled);
    MGrScroll->setSliderPosition(graph.scrollPos);
}

void GraphPage::MGrSaveClick() {
    const QString file = session_.DataFileName();
    SaveGraphWithPrompts(&session_.Window(), MGrView->ExportPicture(MGrView->size(), file),
                         GraphView::ExportSize(MGrView->size()), file);
}

void GraphPage::MGrPrintClick() {
    PrintGraphWithDialog(&session_.Window(),
                         MGrView->ExportPicture(MGrView->size(), session_.DataFileName()),
                         GraphView::ExportSize(MGrView->size()));
}

void GraphPage::MGrSelectChange() {
    view_.SelectQuantity(MGrSelect->currentIndex());
}

void GraphPage::MGrLupaMClick() {
    ZoomOut(view_.Graph(), view_.Records().records, view_.Shown());
    view_.Prepare(false, false);
}

void GraphPage::MGrLupaPClick() {
    ZoomIn(view_.Graph(), view_.Records().records, view_.Shown());
    view_.Prepare(false, false);
}

void GraphPage::MGrScrollScroll(int action) {
    ScrollCode code = ScrollCode::Other;
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            code = ScrollCode::LineUp;
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            code = ScrollCode::LineDown;
            break;
        case QAbstractSlider::SliderPageStepSub:
            code = ScrollCode::PageUp;
            break;
        case QAbstractSlider::SliderPageStepAdd:
            code = ScrollCode::PageDown;
            break;
        case QAbstractSlider::SliderMove:
            code = ScrollCode::ThumbTrack;
            break;
        case QAbstractSlider::SliderMove + 100:
            code = ScrollCode::ThumbPosition;
            break;
        default:
            break;
    }
    GraphState& graph = view_.Graph();
    const bool moved = ScrollGraph(graph, view_.Records().records, view_.Shown(), code,
                                   MGrScroll->sliderPosition());
    // The bar shows the window's position, not where the action would have put it.
    MGrScroll->setSliderPosition(graph.scrollPos);
    if (!moved) return;
    MGrView->update();
    // The keys that scroll the graph reach it there.
    MGrView->setFocus();
}

}  // namespace qx
