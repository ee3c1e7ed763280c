#include "app/MeasurementHost.h"

#include "app/AcquisitionControl.h"
#include "dialogs/MeasurementViews.h"
#include "sources/SignalSource.h"

#include "panels/ElidedLabel.h"

#include <QAction>
#include <QDialog>
#include <QEvent>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>

// The shown dialogs of one stage of the cycle.
class MeasurementHost::StageFollower : public BlockFollower {
public:
    StageFollower(MeasurementHost &host, measure::Stage stage) : m_host(host), m_stage(stage) {}

    void followBlock(const BlockContext &context) override
    {
        if (!context.block)
            return;
        if (m_stage == measure::Stage::EveryBlock && !m_host.m_waiting.empty())
            QTimer::singleShot(0, &m_host, &MeasurementHost::openWaiting);
        MeasurementContext measured;
        measured.block = context.block;
        measured.scope = context.scope;
        measured.channel = context.source ? context.source->currentChannel() : 0;
        for (const Measurement &m : m_host.m_measurements)
            if (m.entry->stage == m_stage && m.dialog->isVisible())
                m.view->followBlock(measured);
    }
    bool wantsWholeRecord() const override
    {
        for (const Measurement &m : m_host.m_measurements)
            if (m.entry->stage == m_stage && m.entry->mayWantWholeRecord && m.view->wantsWholeRecord())
                return true;
        return false;
    }

private:
    MeasurementHost &m_host;
    measure::Stage m_stage;
};

MeasurementHost::MeasurementHost(QWidget *window, AcquisitionControl &acquisition,
                                 std::function<ViewSetup()> setup)
    : m_pWindow(window), m_setup(std::move(setup))
{
    if (auto *main = qobject_cast<QMainWindow *>(window)) {
        m_pReasonLabel = new ElidedLabel(main->statusBar());
        m_pReasonLabel->setObjectName("m_pWithheldLabel");
        m_pReasonLabel->hide();
        main->statusBar()->addWidget(m_pReasonLabel, 1);
    }
    m_measurements.reserve(measure::entryCount());
    for (size_t i = 0; i < measure::entryCount(); ++i) {
        const measure::Entry &entry = measure::entries()[i];
        const views::Made made = views::make(entry.id, window);
        if (!made.dialog)
            continue; // test_measurement_views keeps the two tables' ids the same
        const size_t index = m_measurements.size();
        made.view->setRequests({[this](bool run) {
                                    if (run != m_bRunning)
                                        emit runWanted(run);
                                },
                                [this] { emit wholeRecordChanged(); },
                                [this, index](const QString &reason) {
                                    m_measurements[index].reason = reason;
                                    showReasons();
                                }});
        made.dialog->installEventFilter(this);
        auto *action = new QAction(QString::fromUtf8(entry.menuText), window);
        action->setObjectName(entry.objectName);
        m_measurements.push_back({&entry, action, made.dialog, made.view, QString()});
        connect(action, &QAction::triggered, this, [this, m = m_measurements.back()] { open(m); });
    }
    const std::pair<measure::Stage, BlockFollower::Stage> stages[] = {
        {measure::Stage::EveryBlock, BlockFollower::EveryBlock},
        {measure::Stage::WhileVisible, BlockFollower::WhileVisible}};
    for (const auto &[stage, cycleStage] : stages) {
        m_followers.push_back(std::make_unique<StageFollower>(*this, stage));
        acquisition.addFollower(cycleStage, m_followers.back().get());
    }
}

MeasurementHost::~MeasurementHost()
{
    for (const Measurement &m : m_measurements) {
        m.view->setRequests({});
        delete m.dialog;
    }
}

QList<QAction *> MeasurementHost::actions(measure::Menu menu) const
{
    QList<QAction *> list;
    for (const Measurement &m : m_measurements)
        if (m.entry->menu == menu)
            list.append(m.action);
    return list;
}

void MeasurementHost::setConfigPath(const QString &sPath)
{
    for (const Measurement &m : m_measurements)
        m.view->setConfigPath(sPath);
}

void MeasurementHost::setRunning(bool isRunning)
{
    m_bRunning = isRunning;
    for (const Measurement &m : m_measurements)
        m.view->setRunning(isRunning);
}

void MeasurementHost::open(const Measurement &m)
{
    const ViewSetup setup = m_setup();
    const BlockSnapshotPtr &block = setup.shown.block;
    if (m.entry->needsComplex && !block) {
        // Whether the record is complex is known from its first block: judged then.
        if (std::find(m_waiting.begin(), m_waiting.end(), m.action) == m_waiting.end())
            m_waiting.push_back(m.action);
        return;
    }
    if (m.entry->needsComplex && !block->firstFile().isComplex) {
        QMessageBox::information(m_pWindow, "ORMA", "Этот режим только для комплексных сигналов!");
        return;
    }
    if (!m.view->prepare(setup))
        return;
    m.dialog->show();
    m.dialog->raise();
    // Measured at once, not only from the next block on, which a stopped acquisition never sends.
    if (block)
        m.view->followBlock(setup.shown);
}

bool MeasurementHost::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Hide || event->type() == QEvent::Show) {
        for (const Measurement &m : m_measurements)
            if (m.dialog == watched)
                QTimer::singleShot(0, this, &MeasurementHost::showReasons);
    }
    return QObject::eventFilter(watched, event);
}

void MeasurementHost::showReasons()
{
    if (!m_pReasonLabel)
        return;
    QStringList parts;
    for (const Measurement &m : m_measurements)
        if (!m.reason.isEmpty() && m.dialog->isVisible())
            parts << m.dialog->windowTitle() + QStringLiteral(": ") + m.reason;
    const QString text = parts.join(QStringLiteral("; "));
    m_pReasonLabel->setText(text);
    m_pReasonLabel->setVisible(!text.isEmpty());
}

void MeasurementHost::openWaiting()
{
    const std::vector<QAction *> waiting = std::move(m_waiting);
    m_waiting.clear();
    for (QAction *action : waiting)
        action->trigger();
}
