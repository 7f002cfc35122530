#include "app/preferences/preferenceswindow.h"

#include "app/shell/shell.h"
#include "app/update/updatecontroller.h"
#include "core/locationbookmark.h"
#include "core/userdefaultkeys.h"
#include "core/userdefaults.h"
#include "shell/releaseinfo.h"
#include "shell/startupdocument.h"
#include "shell/updatepolicy.h"
#include "templates/countertext.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

namespace quillory {

namespace {

using namespace UserDefaultKeys;

constexpr std::array<int, PreferencesWindow::kPaneCount> kHeights{220, 90, 155};

QVBoxLayout* compactColumn(QWidget* page)
{
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(16, 8, 16, 8);
    column->setSpacing(4);
    return column;
}

} // namespace

int PreferencesWindow::paneHeight(int index)
{
    return index >= 0 && index < kPaneCount ? kHeights[size_t(index)] : 0;
}

QString PreferencesWindow::paneTitle(int index)
{
    switch (index) {
    case 0:
        return QStringLiteral("General");
    case 1:
        return QStringLiteral("Advanced");
    case 2:
        return QStringLiteral("Update");
    default:
        return QString();
    }
}

PreferencesWindow::PreferencesWindow(Shell& shell, UserDefaults& defaults, QWidget* parent)
    : QMainWindow(parent), m_shell(shell), m_defaults(defaults),
      m_toolbar(new QToolBar(QStringLiteral("prefToolBar"), this)),
      m_paneActions(new QActionGroup(this)), m_pages(new QStackedWidget(this))
{
    m_toolbar->setObjectName(QStringLiteral("prefToolBar"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->toggleViewAction()->setEnabled(false);
    m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    setContextMenuPolicy(Qt::NoContextMenu);

    const QStyle::StandardPixmap icons[kPaneCount] = {
        QStyle::SP_ComputerIcon, QStyle::SP_FileDialogDetailedView, QStyle::SP_BrowserReload};
    for (int i = 0; i < kPaneCount; ++i) {
        QAction* action = m_toolbar->addAction(style()->standardIcon(icons[i]), paneTitle(i));
        action->setToolTip(paneTitle(i));
        action->setCheckable(true);
        action->setData(i);
        m_paneActions->addAction(action);
        connect(action, &QAction::triggered, this, [this, i] { showPane(i); });
    }
    m_pages->addWidget(makeGeneralPane());
    m_pages->addWidget(makeAdvancedPane());
    m_pages->addWidget(makeUpdatePane());
    setCentralWidget(m_pages);
    resize(480, height());

    auto* close = new QAction(this);
    close->setShortcuts({QKeySequence::Close, QKeySequence(Qt::Key_Escape)});
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);

    m_observer = m_defaults.addObserver([this](const QString&) { refresh(); });
    connect(&m_shell, &Shell::startupStatusChanged, this, &PreferencesWindow::refresh);
    refresh();
    m_paneActions->actions().first()->setChecked(true);
    showPane(0);
}

PreferencesWindow::~PreferencesWindow()
{
    m_defaults.removeObserver(m_observer);
}

int PreferencesWindow::currentPane() const
{
    return m_pages->currentIndex();
}

int PreferencesWindow::contentHeight() const
{
    return m_pages->height();
}

void PreferencesWindow::setPanelTab(int index)
{
    if (index < 0 || index >= kPaneCount)
        return;
    m_paneActions->actions().at(index)->setChecked(true);
    showPane(index);
}

void PreferencesWindow::showPane(int index)
{
    setWindowTitle(paneTitle(index));
    m_pages->setCurrentIndex(index);
    const int top = geometry().top();
    // The pages' area gets exactly the pane's height; the window follows it, keeping its top
    // edge where it was.
    m_pages->setFixedHeight(paneHeight(index));
    layout()->activate();
    const int chrome = layout()->totalMinimumSize().height() - paneHeight(index);
    setFixedHeight(paneHeight(index) + chrome);
    QRect frame = geometry();
    frame.moveTop(top);
    setGeometry(frame);
}

QWidget* PreferencesWindow::makeGeneralPane()
{
    auto* page = new QWidget;
    QVBoxLayout* column = compactColumn(page);
    auto* form = new QFormLayout;
    m_startupAction = new QComboBox;
    m_startupAction->addItems({tr("Create a new document"),
                               tr("Show the open dialog if no document was opened"),
                               tr("Show the open dialog"), tr("Open the document below")});
    form->addRow(tr("At startup:"), m_startupAction);
    m_startupPath = new QLabel;
    m_startupPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_startupPath->setWordWrap(true);
    form->addRow(tr("Startup document:"), m_startupPath);
    column->addLayout(form);
    m_startupStatus = new QLabel;
    m_startupStatus->setObjectName(QStringLiteral("startupStatus"));
    column->addWidget(m_startupStatus);

    auto* buttons = new QHBoxLayout;
    const std::pair<QString, std::function<void()>> commands[] = {
        {tr("Choose…"), [this] { m_shell.selectStartupDocument(this); }},
        {tr("Clear"), [this] { m_shell.clearStartupDocument(); }},
        {tr("Open Now"), [this] { m_shell.openStartupDocumentNow(); }},
        {tr("Show in File Manager"), [this] { m_shell.revealStartupDocument(); }},
    };
    for (const auto& [title, command] : commands) {
        auto* button = new QPushButton(title);
        connect(button, &QPushButton::clicked, this, command);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    column->addLayout(buttons);
    column->addStretch();

    connect(m_startupAction, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_refreshing && index >= 0)
            m_defaults.setValue(kStartupAction, index);
    });
    return page;
}

QWidget* PreferencesWindow::makeAdvancedPane()
{
    auto* page = new QWidget;
    QVBoxLayout* column = compactColumn(page);
    m_leadingZeros = new QCheckBox(tr("Show the counter with leading zeros"));
    column->addWidget(m_leadingZeros);
    auto* row = new QHBoxLayout;
    m_forceLength = new QCheckBox(tr("Always pad to a total length of"));
    m_totalLength = new QSpinBox;
    m_totalLength->setRange(0, int(CounterText::kMaxForcedTotalLength));
    row->addWidget(m_forceLength);
    row->addWidget(m_totalLength);
    row->addWidget(new QLabel(tr("digits")));
    row->addStretch();
    column->addLayout(row);
    column->addStretch();

    connect(m_leadingZeros, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_refreshing)
            m_defaults.setValue(kUseLeading0, on);
    });
    connect(m_forceLength, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_refreshing)
            m_defaults.setValue(kForceLeading0, on);
    });
    connect(m_totalLength, &QSpinBox::valueChanged, this, [this](int n) {
        if (!m_refreshing)
            m_defaults.setValue(kForcedTotalLength, n);
    });
    return page;
}

QWidget* PreferencesWindow::makeUpdatePane()
{
    auto* page = new QWidget;
    QVBoxLayout* column = compactColumn(page);
    m_notifyUpdate =
        new QCheckBox(tr("Check daily for a new release and tell me when one is available"));
    column->addWidget(m_notifyUpdate);
    auto* note = new QLabel(tr("When this is off, %1 checks only when you ask: Check Now, or "
                               "Help ▸ Software Update…")
                                .arg(ReleaseInfo::appName()));
    note->setWordWrap(true);
    column->addWidget(note);
    m_lastCheck = new QLabel;
    column->addWidget(m_lastCheck);
    auto* row = new QHBoxLayout;
    auto* checkNow = new QPushButton(tr("Check Now"));
    row->addWidget(checkNow);
    row->addStretch();
    column->addLayout(row);
    column->addStretch();

    connect(m_notifyUpdate, &QCheckBox::toggled, this, [this](bool on) {
        if (m_refreshing)
            return;
        m_defaults.setValue(UpdatePolicy::kNotifyKey, on);
        // Chosen here first: the first launch has nothing left to ask.
        m_defaults.setValue(UserDefaultKeys::kUpdateCheckQuestionAsked, true);
    });
    connect(checkNow, &QPushButton::clicked, this, [this] { m_shell.updates().checkNow(); });
    return page;
}

void PreferencesWindow::refresh()
{
    m_refreshing = true;
    const qint64 action = m_defaults.integerValue(kStartupAction);
    m_startupAction->setCurrentIndex(action >= 0 && action <= 3 ? int(action) : -1);
    const StartupDocument& startup = m_shell.startupDocument();
    const std::optional<QString> path = startup.currentPath();
    m_startupPath->setText(path ? *path : tr("None"));
    m_startupStatus->setText(startup.statusMessage());
    m_startupStatus->setStyleSheet(startup.isSpecified() ? QString()
                                                         : QStringLiteral("color: #b00020;"));
    m_leadingZeros->setChecked(m_defaults.boolValue(kUseLeading0));
    m_forceLength->setChecked(m_defaults.boolValue(kForceLeading0));
    m_totalLength->setValue(int(m_defaults.integerValue(kForcedTotalLength)));
    m_forceLength->setEnabled(m_leadingZeros->isChecked());
    m_totalLength->setEnabled(m_leadingZeros->isChecked() && m_forceLength->isChecked());
    m_notifyUpdate->setChecked(m_defaults.boolValue(UpdatePolicy::kNotifyKey));
    const QDateTime last = m_defaults.value(UpdatePolicy::kLastCheckKey).toDateTime();
    m_lastCheck->setText(
        last.isValid() ? tr("Last checked: %1").arg(QLocale().toString(last, QLocale::ShortFormat))
                       : tr("Never checked"));
    m_refreshing = false;
}

} // namespace quillory
