#include "WinApp.h"

#include "AppEventFilter.h"
#include "CmdUI.h"
#include "CodePage.h"
#include "CommandLineInfo.h"
#include "Document.h"
#include "FileDialog.h"
#include "FrameWnd.h"
#include "PrintSetupDialog.h"
#include "RecentFileList.h"
#include "SingleDocTemplate.h"
#include "View.h"

#include "AfxRes.h"
#include "StringTable.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QMainWindow>
#include <QPrinter>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTranslator>

#include <sys/stat.h>

namespace {

CWinApp* g_pCurrentApp = nullptr;

const char* const kRecentFileSection = "Recent File List";
const char* const kRecentFileEntry = "File%d";
constexpr UINT kMaxRecentFiles = 16;

QString Key(const std::string& section, const std::string& entry)
{
    return CCodePage::ToQString(section) + QLatin1Char('/') + CCodePage::ToQString(entry);
}

std::string DefaultAppName()
{
    return AfxLoadString(AFX_IDS_APP_TITLE);
}

} // namespace

CWinApp::CWinApp(const char* appName)
    : m_pszAppName(appName != nullptr ? appName : DefaultAppName()), m_pszRegistryKey(),
      m_pPreviousApp(g_pCurrentApp)
{
    g_pCurrentApp = this;
    OnCommandRange(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE16, [this](UINT id) { OnOpenRecentFile(id); });
    OnCommand(ID_APP_EXIT, [this] { OnAppExit(); });
    for (UINT id = ID_FILE_MRU_FILE1; id <= ID_FILE_MRU_FILE16; ++id) {
        OnUpdateCommand(id, [this, id](CCmdUI* ui) {
            const int index = static_cast<int>(id - ID_FILE_MRU_FILE1);
            ui->Enable(m_pRecentFileList != nullptr && index < m_pRecentFileList->GetCount());
        });
    }
    if (QCoreApplication::instance() != nullptr) {
        InstallEventFilter();
    }
}

CWinApp::~CWinApp()
{
    if (m_pDocTemplate != nullptr) {
        m_pDocTemplate->CloseAll();
    }
    if (m_pEventFilter != nullptr && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(m_pEventFilter.get());
    }
    if (g_pCurrentApp == this) {
        g_pCurrentApp = m_pPreviousApp;
    }
}

CWinApp* AfxGetApp()
{
    if (g_pCurrentApp == nullptr) {
        // Code that runs without an application of its own (tests of a control) gets the
        // framework's plain one.
        static CWinApp s_defaultApp;
        return &s_defaultApp;
    }
    return g_pCurrentApp;
}

std::string AfxLoadString(UINT id)
{
    const char* text = CStringTable::Find(id);
    return text != nullptr ? CCodePage::FromUtf8(text) : std::string();
}

std::string AfxFormatString1(UINT id, const std::string& arg)
{
    std::string text = AfxLoadString(id);
    const std::size_t placeholder = text.find("%1");
    if (placeholder != std::string::npos) {
        text.replace(placeholder, 2, arg);
    }
    return text;
}

QString AfxFormatName1(UINT id, const std::string& name)
{
    QString text = CCodePage::ToQString(AfxLoadString(id));
    const qsizetype placeholder = text.indexOf(QStringLiteral("%1"));
    if (placeholder >= 0) {
        text.replace(placeholder, 2, QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    }
    return text;
}

void CWinApp::InstallEventFilter()
{
    if (m_pEventFilter != nullptr || QCoreApplication::instance() == nullptr) {
        return;
    }
    m_pEventFilter = std::make_unique<CAppEventFilter>(this);
    QCoreApplication::instance()->installEventFilter(m_pEventFilter.get());
}

BOOL CWinApp::FilterEvent(QObject* target, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        return FilterShortcutOverride(target, static_cast<QKeyEvent*>(event));
    }
    if (event->type() == QEvent::KeyPress && m_nSwallowedKey != 0) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool same = key->key() == m_nSwallowedKey && static_cast<int>(key->modifiers()) == m_swallowedModifiers;
        m_nSwallowedKey = 0;
        if (same) {
            return TRUE;
        }
    }
    return PreTranslateMessage(target, event);
}

BOOL CWinApp::FilterShortcutOverride(QObject* target, QKeyEvent* override)
{
    // Qt offers a key to its shortcuts (menu mnemonics among them) before the key press is
    // sent. The press is shown here at that moment, so that what swallows it also keeps it
    // from every shortcut; the press that follows is then dropped.
    QKeyEvent press(QEvent::KeyPress, override->key(), override->modifiers(), override->nativeScanCode(),
                    override->nativeVirtualKey(), override->nativeModifiers(), override->text(),
                    override->isAutoRepeat(), static_cast<quint16>(override->count()));
    if (!PreTranslateMessage(target, &press)) {
        return FALSE;
    }
    override->accept();
    m_nSwallowedKey = override->key();
    m_swallowedModifiers = static_cast<int>(override->modifiers());
    return TRUE;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    SaveStdProfileSettings();
    return 0;
}

BOOL CWinApp::PreTranslateMessage(QObject* target, QEvent* event)
{
    return m_pMainWnd != nullptr && m_pMainWnd->PreTranslateMessage(target, event);
}

BOOL CWinApp::OnCmdMsg(UINT id)
{
    if (m_pMainWnd != nullptr) {
        return m_pMainWnd->OnCmdMsg(id);
    }
    return OnAppCmdMsg(id);
}

BOOL CWinApp::OnUpdateCmdUI(CCmdUI* cmdUI)
{
    if (m_pMainWnd != nullptr) {
        return m_pMainWnd->OnUpdateCmdUI(cmdUI);
    }
    return OnAppUpdateCmdUI(cmdUI);
}

BOOL CWinApp::OnAppCmdMsg(UINT id)
{
    if (CCmdTarget::OnCmdMsg(id)) {
        return TRUE;
    }
    return m_pDocTemplate != nullptr && m_pDocTemplate->OnCmdMsg(id);
}

BOOL CWinApp::OnAppUpdateCmdUI(CCmdUI* cmdUI)
{
    return CCmdTarget::OnUpdateCmdUI(cmdUI);
}

std::string CWinApp::GetProfileString(const std::string& section, const std::string& entry,
                                      const std::string& defaultValue)
{
    QSettings& settings = Profile();
    // Picks up what another program wrote meanwhile; unchanged files are not read again.
    settings.sync();
    const QVariant value = settings.value(Key(section, entry));
    if (!value.isValid()) {
        return defaultValue;
    }
    return CCodePage::FromQString(value.toString());
}

BOOL CWinApp::WriteProfileString(const std::string& section, const std::string& entry, const std::string& value)
{
    QSettings& settings = Profile();
    settings.setValue(Key(section, entry), CCodePage::ToQString(value));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

std::string CWinApp::GetProfilePath(const std::string& section, const std::string& entry)
{
    QSettings& settings = Profile();
    settings.sync();
    const QVariant value = settings.value(Key(section, entry));
    if (value.typeId() == QMetaType::QByteArray) {
        return value.toByteArray().toStdString();
    }
    return value.toString().toUtf8().toStdString();
}

void CWinApp::WriteProfilePath(const std::string& section, const std::string& entry, const std::string& pathUtf8)
{
    QSettings& settings = Profile();
    if (pathUtf8.empty()) {
        settings.remove(Key(section, entry));
    } else {
        // A name that is not UTF-8 is kept as its bytes, so that it opens again.
        const QByteArray bytes = QByteArray::fromStdString(pathUtf8);
        const QString text = QString::fromUtf8(bytes);
        settings.setValue(Key(section, entry), text.toUtf8() == bytes ? QVariant(text) : QVariant(bytes));
    }
    settings.sync();
}

QString CWinApp::ProfileOwner() const
{
    // Until SetRegistryKey names the maker, the profile is named after the application alone.
    return CCodePage::ToQString(m_pszRegistryKey.empty() ? m_pszAppName : m_pszRegistryKey);
}

void CWinApp::SetRegistryKey(const std::string& key)
{
    m_pszRegistryKey = key;
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::setOrganizationName(CCodePage::ToQString(key));
    }
    m_pProfile.reset();
    m_pProfileStandIn.reset();
}

std::string CWinApp::GetProfileFileName()
{
    return Profile().fileName().toUtf8().toStdString();
}

QSettings& CWinApp::Profile()
{
    // One store object for the application's life: a new one per value would read the
    // whole file again for each value.
    if (m_pProfileStandIn != nullptr) {
        return *m_pProfile;
    }
    if (!ProfileFilesAreRegular()) {
        m_pProfileStandIn = std::make_unique<QTemporaryDir>();
        m_pProfile = std::make_unique<QSettings>(m_pProfileStandIn->filePath("profile.conf"), QSettings::IniFormat);
        return *m_pProfile;
    }
    if (m_pProfile == nullptr) {
        m_pProfile = std::make_unique<QSettings>(ProfileOwner(), CCodePage::ToQString(m_pszAppName));
    }
    return *m_pProfile;
}

// The user's files QSettings reads for this owner and application: the application's own
// and the owner's common one.
BOOL CWinApp::ProfileFilesAreRegular() const
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/";
    const QString owner = ProfileOwner();
    const QString application = CCodePage::ToQString(m_pszAppName);
    for (const QString& path : {folder + owner + "/" + application + ".conf", folder + owner + ".conf"}) {
        struct stat status {};
        if (stat(QFile::encodeName(path).constData(), &status) == 0 && !S_ISREG(status.st_mode)) {
            return FALSE;
        }
    }
    return TRUE;
}

void CWinApp::LoadQtTranslations()
{
    if (m_pQtTexts != nullptr || QCoreApplication::instance() == nullptr) {
        return;
    }
    auto texts = std::make_unique<QTranslator>();
    if (texts->load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(texts.get());
        m_pQtTexts = std::move(texts);
    }
}

void CWinApp::LoadStdProfileSettings(UINT maxMruCount)
{
    if (maxMruCount == 0) {
        return;
    }
    m_pRecentFileList = std::make_unique<CRecentFileList>(ID_FILE_MRU_FILE1, kRecentFileSection, kRecentFileEntry,
                                                          static_cast<int>(std::min(maxMruCount, kMaxRecentFiles)));
    m_pRecentFileList->ReadList();
}

void CWinApp::SaveStdProfileSettings()
{
    if (m_pRecentFileList != nullptr) {
        m_pRecentFileList->WriteList();
    }
}

QPrinter* CWinApp::GetPrinter()
{
    if (m_pPrinter == nullptr) {
        m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        // Pages are drawn in device pixels; at the printer's own resolution (often 1200
        // dpi) a view's line steps would be finer than its lines are high.
        m_pPrinter->setResolution(s_nPrintDpi);
    }
    return m_pPrinter.get();
}

void CWinApp::BeginWaitCursor()
{
    ++m_nWaitCursorCount;
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CWinApp::EndWaitCursor()
{
    if (m_nWaitCursorCount == 0) {
        return;
    }
    --m_nWaitCursorCount;
    QApplication::restoreOverrideCursor();
}

QWidget* CWinApp::GetMainWnd()
{
    return m_pMainWnd != nullptr ? m_pMainWnd->GetSafeHwnd() : nullptr;
}

void CWinApp::AddDocTemplate(CSingleDocTemplate* docTemplate)
{
    m_pDocTemplate.reset(docTemplate);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info)
{
    for (std::size_t i = 0; i < m_arguments.size(); ++i) {
        const std::string& argument = m_arguments[i];
        std::string flag;
        const BOOL isFlag = CCommandLineInfo::IsFlag(argument, flag);
        const BOOL last = i + 1 == m_arguments.size();
        info.ParseParam(isFlag ? flag : argument, isFlag, last);
    }
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& info)
{
    switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
        OnFileNew();
        if (m_pMainWnd == nullptr) {
            m_nExitCode = 1;
            return FALSE;
        }
        return TRUE;
    case CCommandLineInfo::FileOpen:
        if (OpenDocumentFile(info.m_strFileName) == nullptr) {
            m_nExitCode = 1;
            return FALSE;
        }
        return TRUE;
    case CCommandLineInfo::FilePrintTo:
        GetPrinter()->setPrinterName(QString::fromUtf8(info.m_strPrinterName.c_str()));
        [[fallthrough]];
    case CCommandLineInfo::FilePrint:
        // Printing from the command line ends the program; with exit code 1 when nothing
        // was printed, so that a caller can tell.
        if (OpenDocumentFile(info.m_strFileName) == nullptr || !PrintDirect()) {
            m_nExitCode = 1;
        }
        return FALSE;
    default:
        return TRUE;
    }
}

BOOL CWinApp::PrintDirect()
{
    CView* view = m_pMainWnd != nullptr ? m_pMainWnd->GetActiveView() : nullptr;
    return view != nullptr && view->OnFilePrint(TRUE);
}

CDocument* CWinApp::OpenDocumentFile(const std::string& path)
{
    if (m_pDocTemplate == nullptr) {
        return nullptr;
    }
    // The file that is open already is not read again; it only moves up the recent list.
    CDocument* current = m_pDocTemplate->GetDocument();
    if (current != nullptr && !path.empty() && !current->GetPathName().empty() &&
        CDocument::AbsolutePathOf(path) == current->GetPathName()) {
        AddToRecentFileList(current->GetPathName());
        return current;
    }
    CDocument* document = m_pDocTemplate->OpenDocumentFile(path);
    if (m_pMainWnd == nullptr && m_pDocTemplate->GetFrame() != nullptr) {
        m_pMainWnd = m_pDocTemplate->GetFrame();
    }
    return document;
}

void CWinApp::AddToRecentFileList(const std::string& path)
{
    if (m_pRecentFileList != nullptr) {
        m_pRecentFileList->Add(path);
    }
}

void CWinApp::OnFileNew()
{
    OpenDocumentFile({});
}

void CWinApp::OnFileOpen()
{
    const std::string path = AfxPromptFileName(TRUE, {});
    if (!path.empty()) {
        OpenDocumentFile(path);
    }
}

void CWinApp::OnFilePrintSetup()
{
    CPrintSetupDialog dialog(GetPrinter(), GetMainWnd());
    dialog.exec();
}

void CWinApp::OnAppExit()
{
    if (QWidget* window = GetMainWnd()) {
        window->close();
    }
}

void CWinApp::OnOpenRecentFile(UINT id)
{
    if (m_pRecentFileList == nullptr) {
        return;
    }
    const int index = static_cast<int>(id - ID_FILE_MRU_FILE1);
    if (index >= m_pRecentFileList->GetCount()) {
        return;
    }
    const std::string path = (*m_pRecentFileList)[index];
    // An entry whose file has gone is dropped; one that failed for another reason stays.
    struct stat status {};
    if (OpenDocumentFile(path) == nullptr && stat(path.c_str(), &status) != 0) {
        m_pRecentFileList->Remove(index);
    }
}

int CWinApp::Run()
{
    InstallEventFilter();
    int result = 0;
    if (InitInstance()) {
        result = QApplication::exec();
    } else {
        result = m_nExitCode;
    }
    ExitInstance();
    if (m_pDocTemplate != nullptr) {
        m_pDocTemplate->CloseAll();
    }
    m_pMainWnd = nullptr;
    return result;
}

int AfxWinMain(int argc, char** argv)
{
    QApplication application(argc, argv);
    CWinApp* app = AfxGetApp();
    QApplication::setApplicationName(CCodePage::ToQString(app->m_pszAppName));
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    app->SetArguments(std::move(arguments));
    return app->Run();
}
