#include "widgets/SpellCheck.h"

#include "metadata/AppSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTextCharFormat>

#ifdef LUMICAP_HUNSPELL
#include <hunspell/hunspell.hxx>
#else
class Hunspell
{};
#endif

namespace lumicap {

namespace {
const QRegularExpression &wordPattern()
{
    static const QRegularExpression pattern(QStringLiteral("[\\p{L}\\p{M}]+(?:['\\x{2019}][\\p{L}\\p{M}]+)*"));
    return pattern;
}
} // namespace

SpellCheck::SpellCheck(QTextDocument *document)
    : QSyntaxHighlighter(document)
{
    const QString chosen = AppSettings().text(Setting::SpellLanguage);
    setLanguage(chosen.isEmpty() ? QLocale::system().name() : chosen);
}

SpellCheck::~SpellCheck() = default;

QStringList &SpellCheck::dictionaryFolders()
{
    static QStringList folders{
#ifdef Q_OS_WIN
        QCoreApplication::applicationDirPath() + QStringLiteral("/dictionaries"),
#else
        QStringLiteral("/usr/share/hunspell"),
#endif
    };
    return folders;
}

QStringList SpellCheck::languages() const
{
    QStringList found;
    for (const QString &folder : dictionaryFolders()) {
        for (const QString &dic : QDir(folder).entryList({QStringLiteral("*.dic")}, QDir::Files, QDir::Name)) {
            const QString name = dic.chopped(4);
            if (!found.contains(name) && QFile::exists(folder + '/' + name + QStringLiteral(".aff")))
                found << name;
        }
    }
    return found;
}

QString SpellCheck::personalListPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/words.dic");
}

std::string SpellCheck::encoded(const QString &word) const
{
    return utf8_ ? word.toStdString() : word.toLatin1().toStdString();
}

bool SpellCheck::setLanguage(const QString &language)
{
    hunspell_.reset();
    misspelt_.clear();
    language_.clear();
#ifdef LUMICAP_HUNSPELL
    for (const QString &folder : dictionaryFolders()) {
        const QString base = folder + '/' + language;
        if (!QFile::exists(base + QStringLiteral(".dic")) || !QFile::exists(base + QStringLiteral(".aff")))
            continue;
        hunspell_ = std::make_unique<Hunspell>(QFile::encodeName(base + QStringLiteral(".aff")).constData(),
                                               QFile::encodeName(base + QStringLiteral(".dic")).constData());
        utf8_ = QByteArray(hunspell_->get_dic_encoding()).toUpper() == "UTF-8";
        language_ = language;
        QFile personal(personalListPath());
        if (personal.open(QIODevice::ReadOnly | QIODevice::Text)) {
            for (const QString &word : QString::fromUtf8(personal.readAll()).split('\n', Qt::SkipEmptyParts))
                hunspell_->add(encoded(word.trimmed()));
        }
        break;
    }
#endif
    if (!language_.isEmpty() && language != AppSettings().text(Setting::SpellLanguage) && language != QLocale::system().name())
        AppSettings().setText(Setting::SpellLanguage, language);
    rehighlight();
    return !language_.isEmpty();
}

bool SpellCheck::isMisspelt(const QString &word)
{
#ifdef LUMICAP_HUNSPELL
    if (!hunspell_)
        return false;
    const auto known = misspelt_.constFind(word);
    if (known != misspelt_.constEnd())
        return *known;
    const bool wrong = !hunspell_->spell(encoded(word));
    misspelt_.insert(word, wrong);
    return wrong;
#else
    (void)word;
    return false;
#endif
}

QStringList SpellCheck::suggestions(const QString &word) const
{
    QStringList out;
#ifdef LUMICAP_HUNSPELL
    if (hunspell_) {
        for (const std::string &s : hunspell_->suggest(encoded(word)))
            out << (utf8_ ? QString::fromStdString(s) : QString::fromLatin1(s.c_str()));
    }
#else
    (void)word;
#endif
    return out;
}

void SpellCheck::addWord(const QString &word)
{
#ifdef LUMICAP_HUNSPELL
    if (hunspell_)
        hunspell_->add(encoded(word));
#endif
    misspelt_.insert(word, false);
    const QString path = personalListPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile list(path);
    if (list.open(QIODevice::Append | QIODevice::Text))
        list.write(word.toUtf8() + '\n');
    rehighlight();
}

void SpellCheck::highlightBlock(const QString &text)
{
    if (!hunspell_)
        return;
    QTextCharFormat wrong;
    wrong.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    wrong.setUnderlineColor(Qt::red);
    auto words = wordPattern().globalMatch(text);
    while (words.hasNext()) {
        const QRegularExpressionMatch m = words.next();
        if (isMisspelt(m.captured()))
            setFormat(static_cast<int>(m.capturedStart()), static_cast<int>(m.capturedLength()), wrong);
    }
}

} // namespace lumicap
