#include "PrintSetupDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// Offered where the printer names none of its own (a file, or no printer at all).
const QPageSize::PageSizeId kCommonSizes[] = {QPageSize::A4, QPageSize::A5, QPageSize::A3, QPageSize::B5,
                                              QPageSize::Letter, QPageSize::Legal, QPageSize::Executive};

} // namespace

CPrintSetupDialog::CPrintSetupDialog(QPrinter* printer, QWidget* parent) : QDialog(parent), m_pPrinter(printer)
{
    setWindowTitle(QStringLiteral("Druckereinrichtung"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(CreatePrinterGroup());
    layout->addWidget(CreatePaperGroup());
    layout->addWidget(CreateOrientationGroup());
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    FillPageSizes();
    connect(m_pPrinterName, &QComboBox::currentIndexChanged, this, [this] { FillPageSizes(); });
}

QWidget* CPrintSetupDialog::CreatePrinterGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Drucker"), this);
    m_pPrinterName = new QComboBox(group);
    m_pPrinterName->setObjectName(QStringLiteral("printerName"));
    m_pPrinterName->addItems(QPrinterInfo::availablePrinterNames());
    m_pPrinterName->setPlaceholderText(QStringLiteral("Kein Drucker eingerichtet"));
    const QString current = m_pPrinter->outputFormat() == QPrinter::NativeFormat ? m_pPrinter->printerName()
                                                                                 : QString();
    m_nFirstPrinter = m_pPrinterName->findText(current);
    if (m_nFirstPrinter < 0) {
        // Printing into a file, or to no printer yet: the default printer is offered.
        m_nFirstPrinter = m_pPrinterName->findText(QPrinterInfo::defaultPrinterName());
    }
    m_pPrinterName->setCurrentIndex(m_nFirstPrinter);
    m_pPrinterName->setEnabled(m_pPrinterName->count() > 0);
    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("&Name:"), m_pPrinterName);
    return group;
}

QWidget* CPrintSetupDialog::CreatePaperGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Papier"), this);
    m_pPageSize = new QComboBox(group);
    m_pPageSize->setObjectName(QStringLiteral("pageSize"));
    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("&Größe:"), m_pPageSize);
    return group;
}

QWidget* CPrintSetupDialog::CreateOrientationGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Ausrichtung"), this);
    m_pPortrait = new QRadioButton(QStringLiteral("&Hochformat"), group);
    m_pPortrait->setObjectName(QStringLiteral("portrait"));
    m_pLandscape = new QRadioButton(QStringLiteral("&Querformat"), group);
    m_pLandscape->setObjectName(QStringLiteral("landscape"));
    const bool landscape = m_pPrinter->pageLayout().orientation() == QPageLayout::Landscape;
    (landscape ? m_pLandscape : m_pPortrait)->setChecked(true);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(m_pPortrait);
    layout->addWidget(m_pLandscape);
    return group;
}

void CPrintSetupDialog::FillPageSizes()
{
    const QPageSize::PageSizeId current = m_pPageSize->count() > 0
                                              ? static_cast<QPageSize::PageSizeId>(m_pPageSize->currentData().toInt())
                                              : m_pPrinter->pageLayout().pageSize().id();
    m_pPageSize->clear();
    QList<QPageSize> sizes = QPrinterInfo::printerInfo(m_pPrinterName->currentText()).supportedPageSizes();
    if (sizes.isEmpty()) {
        for (QPageSize::PageSizeId id : kCommonSizes) {
            sizes.append(QPageSize(id));
        }
    }
    for (const QPageSize& size : sizes) {
        if (size.id() != QPageSize::Custom) {
            m_pPageSize->addItem(size.name(), static_cast<int>(size.id()));
        }
    }
    const int index = m_pPageSize->findData(static_cast<int>(current));
    m_pPageSize->setCurrentIndex(index >= 0 ? index : 0);
}

void CPrintSetupDialog::accept()
{
    if (m_pPrinterName->currentIndex() != m_nFirstPrinter) {
        m_pPrinter->setPrinterName(m_pPrinterName->currentText());
    }
    if (m_pPageSize->currentIndex() >= 0) {
        m_pPrinter->setPageSize(QPageSize(static_cast<QPageSize::PageSizeId>(m_pPageSize->currentData().toInt())));
    }
    m_pPrinter->setPageOrientation(m_pLandscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait);
    QDialog::accept();
}
