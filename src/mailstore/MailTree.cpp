#include "MailTree.h"

#include <QStringList>

namespace MailStore
{

namespace
{

// The names stores give their mail tree, in the languages Outlook writes them.
const QStringList& mailTreeNames()
{
    static const QStringList names{
        QStringLiteral("IPM_SUBTREE"),
        QStringLiteral("Top of Personal Folders"),
        QStringLiteral("Top of Outlook data file"),
        QStringLiteral("Top of Information Store"),
        QStringLiteral("Oberste Ebene der persönlichen Ordner"),
        QStringLiteral("Oberste Ebene der Outlook-Datendatei"),
        QStringLiteral("Partie supérieure des dossiers personnels"),
        QStringLiteral("Début du fichier de données Outlook"),
        QStringLiteral("Principio de las carpetas personales"),
        QStringLiteral("Inicio del archivo de datos de Outlook"),
        QStringLiteral("Inizio delle cartelle personali"),
        QStringLiteral("Inizio file di dati di Outlook"),
        QStringLiteral("Bovenste map van Persoonlijke mappen"),
        QStringLiteral("Begin van Outlook-gegevensbestand"),
    };
    return names;
}

// Folders Exchange and Outlook keep beside the mail tree: searches, views, sync state.
bool isKnownNonMail(const QString& name)
{
    static const QStringList names{
        QStringLiteral("Finder"),          QStringLiteral("Common Views"), QStringLiteral("Views"),
        QStringLiteral("Search Root"),     QStringLiteral("Drizzle"),      QStringLiteral("ItemProcSearch"),
        QStringLiteral("Shortcuts"),       QStringLiteral("Schedule"),     QStringLiteral("Freebusy Data"),
        QStringLiteral("Deferred Action"), QStringLiteral("Reminders"),    QStringLiteral("Spooler Queue"),
    };
    return names.contains(name, Qt::CaseInsensitive) || name.contains(QLatin1String("Search"), Qt::CaseInsensitive);
}

} // namespace

int chooseMailTree(const std::vector<TopFolder>& folders)
{
    const auto first = [&](auto&& wanted) {
        for (size_t i = 0; i < folders.size(); ++i)
            if (!folders[i].searchOrViews && !isKnownNonMail(folders[i].name) && wanted(folders[i]))
                return int(i);
        return -1;
    };
    int chosen = first([](const TopFolder& f) { return mailTreeNames().contains(f.name, Qt::CaseInsensitive); });
    if (chosen < 0)
        chosen = first([](const TopFolder& f) { return f.holdsStandardFolder; });
    if (chosen < 0)
        chosen = first([](const TopFolder& f) { return f.subfolderCount > 0; });
    return chosen;
}

} // namespace MailStore
