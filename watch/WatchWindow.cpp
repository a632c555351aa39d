#include "WatchWindow.h"

#include "WatchChart.h"
#include "WatchExport.h"

#include "CodePage.h"
#include "ErrorText.h"
#include "FileDialog.h"
#include "MessageBox.h"
#include "SafeFileWriter.h"
#include "WinApp.h"

#include "Resource.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QScreen>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

enum EColumn { kHop, kAddress, kName, kLoss, kSent, kLast, kMean, kBest, kWorst, kStdDev, kColumns };

// Where a new window goes: to the right of the main window, each further one a step lower.
constexpr int kBesideGap = 8;   // px
constexpr int kStagger = 24;    // px
constexpr int kWidth = 760;     // px
constexpr int kHeight = 600;    // px
constexpr std::size_t kHistory = 3600; // samples per hop: an hour at one round a second

QString OneDecimal(double value)
{
    return std::isnan(value) ? QString() : QString::number(value, 'f', 1);
}

QString Utf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The extension, lower case, of a file name: ".csv", ".json" or whatever else it has.
std::string Extension(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    return QString::fromUtf8(path.substr(dot).c_str()).toLower().toStdString();
}

int s_nOpened = 0; // windows opened so far, for their places

} // namespace

CWatchWindow::CWatchWindow(std::string host, QWidget* parent)
    : QWidget(parent, Qt::Window), m_strHost(std::move(host))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Beobachten: ") + CCodePage::ToQString(m_strHost));
    m_pTable = new QTableWidget(0, kColumns, this);
    m_pTable->setHorizontalHeaderLabels(ColumnTitles());
    m_pTable->verticalHeader()->hide();
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pTable->horizontalHeader()->setSectionResizeMode(kName, QHeaderView::Stretch);
    m_pChart = new CWatchChart(this);
    m_pState = new QLabel(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pTable, 3);
    layout->addWidget(m_pChart, 2);
    layout->addWidget(m_pState);
    QObject::connect(m_pTable, &QTableWidget::itemSelectionChanged, this, [this] { ShowChart(); });
    auto* stop = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    QObject::connect(stop, &QShortcut::activated, this, [this] { Stop(); });
    auto* save = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
    QObject::connect(save, &QShortcut::activated, this, [this] { SaveAs(); });
    m_poll.setInterval(s_nPollMs);
    QObject::connect(&m_poll, &QTimer::timeout, this, [this] { OnPoll(); });
    resize(kWidth, kHeight);
}

CWatchWindow::~CWatchWindow()
{
    m_watch.Stop();
}

const QStringList& CWatchWindow::ColumnTitles()
{
    static const QStringList titles = {
        QStringLiteral("Nr."),    QStringLiteral("Adresse"), QStringLiteral("Name"),   QStringLiteral("Verlust %"),
        QStringLiteral("Gesendet"), QStringLiteral("Letzte"), QStringLiteral("Mittel"), QStringLiteral("Beste"),
        QStringLiteral("Schlechteste"), QStringLiteral("StdAbw"),
    };
    return titles;
}

CPathWatch::Options CWatchWindow::DefaultOptions(const std::string& host)
{
    CPathWatch::Options options;
    options.strHost = host;
    options.nHistory = kHistory;
    return options;
}

CWatchWindow* CWatchWindow::Open(const std::string& host, QWidget* mainWindow)
{
    auto* window = new CWatchWindow(host, mainWindow);
    if (mainWindow != nullptr) {
        const QRect main = mainWindow->frameGeometry();
        QPoint place(main.right() + 1 + kBesideGap, main.top() + kStagger * (s_nOpened % 8));
        // Beside a main window at the screen's right edge, the window stays on the screen. Its
        // frame will be as wide as the main window's.
        if (const QScreen* screen = mainWindow->screen()) {
            const QRect room = screen->availableGeometry();
            const QSize frame = QSize(kWidth, kHeight) + main.size() - mainWindow->geometry().size();
            place.setX(std::max(room.left(), std::min(place.x(), room.right() + 1 - frame.width())));
            place.setY(std::max(room.top(), std::min(place.y(), room.bottom() + 1 - frame.height())));
        }
        window->move(place);
    }
    ++s_nOpened;
    window->show();
    window->Start(DefaultOptions(host));
    return window;
}

bool CWatchWindow::Start(const CPathWatch::Options& options)
{
    const bool started = m_watch.Start(options);
    m_bStartFailed = !started;
    m_bShownAny = false;
    m_poll.start();
    OnPoll();
    return started;
}

void CWatchWindow::Stop()
{
    m_watch.Stop();
    OnPoll();
}

void CWatchWindow::closeEvent(QCloseEvent* event)
{
    m_poll.stop();
    m_watch.Stop();
    event->accept();
}

void CWatchWindow::OnPoll()
{
    // Running first: once the rounds have ended, the generation read after it is their last.
    const bool running = m_watch.IsRunning();
    const unsigned generation = m_watch.Generation();
    if (m_bShownAny && generation == m_nShownGeneration) {
        if (!running) {
            m_poll.stop();
        }
        return;
    }
    m_nShownGeneration = generation;
    m_bShownAny = true;
    m_shown = m_watch.Snapshot();
    ShowSnapshot();
}

void CWatchWindow::ShowSnapshot()
{
    const int rows = static_cast<int>(m_shown.hops.size());
    if (m_pTable->rowCount() != rows) {
        m_pTable->setRowCount(rows);
    }
    for (int row = 0; row < rows; ++row) {
        ShowRow(row, m_shown.hops[static_cast<std::size_t>(row)]);
    }
    ShowChart();
    ShowState();
}

void CWatchWindow::ShowRow(int row, const CHopStatistics& hop)
{
    QString address = hop.Responder().empty() ? QStringLiteral("*") : Utf8(hop.Responder());
    const std::vector<std::string> others = hop.OtherResponders();
    if (!others.empty()) {
        QStringList listed;
        for (const std::string& other : others) {
            listed << Utf8(other);
        }
        address += QStringLiteral(" (") + listed.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    SetCell(row, kHop, QString::number(row + 1));
    SetCell(row, kAddress, address);
    SetCell(row, kName, Utf8(hop.Name()));
    SetCell(row, kLoss, QString::number(hop.LossPercent(), 'f', 1));
    SetCell(row, kSent, QString::number(hop.Sent()));
    SetCell(row, kLast, OneDecimal(hop.LastMs()));
    SetCell(row, kMean, OneDecimal(hop.MeanMs()));
    SetCell(row, kBest, OneDecimal(hop.BestMs()));
    SetCell(row, kWorst, OneDecimal(hop.WorstMs()));
    SetCell(row, kStdDev, hop.HasTimes() ? OneDecimal(hop.StdDevMs()) : QString());
}

// Only a changed text touches the table, so that an unchanged cell costs no repaint.
void CWatchWindow::SetCell(int row, int column, const QString& text)
{
    QTableWidgetItem* item = m_pTable->item(row, column);
    if (item == nullptr) {
        item = new QTableWidgetItem(text);
        if (column != kAddress && column != kName) {
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        }
        m_pTable->setItem(row, column, item);
        return;
    }
    if (item->text() != text) {
        item->setText(text);
    }
}

unsigned CWatchWindow::ChosenHop() const
{
    const QList<QTableWidgetItem*> selected = m_pTable->selectedItems();
    if (!selected.isEmpty()) {
        return static_cast<unsigned>(selected.first()->row() + 1);
    }
    return static_cast<unsigned>(m_pTable->rowCount());
}

void CWatchWindow::ShowChart()
{
    std::vector<double> means;
    means.reserve(m_shown.hops.size());
    for (const CHopStatistics& hop : m_shown.hops) {
        means.push_back(hop.HasTimes() ? hop.MeanMs() : std::nan(""));
    }
    const unsigned hop = ChosenHop();
    m_pChart->SetMeans(std::move(means));
    m_pChart->SetHistory(hop, hop != 0 ? m_watch.History(hop) : std::vector<CWatchSample>());
}

void CWatchWindow::ShowState()
{
    QString state;
    if (m_shown.nError != 0) {
        state = QStringLiteral("Fehler bei Quorail Nr.: %1").arg(m_shown.nError);
        // A watch that did not start names a resolver or system code; one that ended, a probe's status.
        // The table's words are Windows-1252, as the listing's.
        const QString words = !m_shown.strError.empty()
                                  ? Utf8(m_shown.strError)
                                  : CCodePage::ToQString(m_bStartFailed ? CErrorText::ReasonFor(m_shown.nError)
                                                                        : CErrorText::HopStatusFor(m_shown.nError));
        if (!words.isEmpty()) {
            state += QStringLiteral(" (") + words + QLatin1Char(')');
        }
    } else if (m_shown.bFinished) {
        state = QStringLiteral("Angehalten nach %1 Runden").arg(m_shown.nRounds);
    } else {
        state = QStringLiteral("Runde %1, alle %2 s").arg(m_shown.nRounds).arg(m_shown.dIntervalS, 0, 'f', 1);
    }
    if (!m_shown.strAddress.empty()) {
        state = Utf8(m_shown.strAddress) + QStringLiteral(": ") + state;
    }
    if (m_pState->text() != state) {
        m_pState->setText(state);
    }
}

bool CWatchWindow::SaveAs()
{
    const std::string path = AfxPromptFileName(FALSE, CCodePage::ToQString(m_strHost + ".csv").toStdString());
    return !path.empty() && SaveTo(path);
}

bool CWatchWindow::SaveTo(const std::string& path)
{
    const CWatchSnapshot snapshot = m_watch.Snapshot();
    const std::string extension = Extension(path);
    std::string bytes;
    if (extension == ".csv") {
        bytes = CWatchExport::Csv(snapshot);
    } else if (extension == ".json") {
        bytes = CWatchExport::Json(snapshot);
    } else {
        AfxMessageBox(AfxFormatName1(IDS_WATCH_SAVE_TYPE, path), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    const int error = CSafeFileWriter::Write(path, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    if (error != 0) {
        AfxMessageBox(AfxFormatName1(AFX_IDP_FAILED_TO_SAVE_DOC, path), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}
