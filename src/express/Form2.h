#pragma once

#include <QDialog>
#include <QIcon>
#include <functional>

/// The Outlook Express window. It opens modally over the main window (or alone at
/// start-up when no mail engine is available) and, closed in that case, ends the program.
class Form2 : public QDialog
{
    Q_OBJECT

public:
    struct Services
    {
        std::function<bool()> isOutlookInstalled;
        std::function<void()> endProgram;
        QIcon icon;
    };

    static constexpr int kClientWidthTwips = 8040;
    static constexpr int kClientHeightTwips = 8505;

    explicit Form2(Services services, QWidget* parent = nullptr);

protected:
    void done(int result) override;
    void showEvent(QShowEvent* event) override;

private:
    Services m_services;
    bool m_centred = false;
};
