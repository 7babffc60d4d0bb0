#include "Form2.h"

#include "Twips.h"
#include "WindowLook.h"

Form2::Form2(Services services, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_services(std::move(services))
{
    setObjectName(QStringLiteral("Form2"));
    setModal(true);
    setWindowTitle(QStringLiteral("Vellumtide"));
    setWindowIcon(m_services.icon);
    setFixedSize(Twips::toPixels(kClientWidthTwips), Twips::toPixels(kClientHeightTwips));
    setFont(WindowLook::windowFont());
    WindowLook::setWhiteBackground(*this);
}

void Form2::done(int result)
{
    QDialog::done(result);
    // Without a mail engine the main window was never shown: closing this one ends the program.
    if (m_services.isOutlookInstalled && !m_services.isOutlookInstalled() && m_services.endProgram)
        m_services.endProgram();
}

void Form2::showEvent(QShowEvent* event)
{
    if (!m_centred)
    {
        m_centred = true;
        WindowLook::centreOnScreen(*this);
    }
    QDialog::showEvent(event);
}
