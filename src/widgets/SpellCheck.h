#pragma once

#include <QHash>
#include <QStringList>
#include <QSyntaxHighlighter>

#include <memory>

class Hunspell;

namespace lumicap {

// Underlines the words of a document that the dictionary of the chosen
// language does not know, with Hunspell. The dictionaries are the .aff/.dic
// pairs of the system (or of the program's own folder on Windows); the
// language starts as the system's and is remembered when changed. Words
// added by the person go to a word list in the user's config folder. With no
// dictionary, or a build without Hunspell, nothing is underlined.
class SpellCheck : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    explicit SpellCheck(QTextDocument *document);
    ~SpellCheck() override;

    // Where dictionaries are looked for; the tests put their own first.
    static QStringList &dictionaryFolders();
    // The languages with a dictionary, as file names without .dic (en_GB).
    QStringList languages() const;
    QString language() const { return language_; }
    // Loads that language's dictionary and checks the document again.
    bool setLanguage(const QString &language);

    bool isMisspelt(const QString &word);
    QStringList suggestions(const QString &word) const;
    // Known from now on, also in later sessions.
    void addWord(const QString &word);

protected:
    void highlightBlock(const QString &text) override;

private:
    static QString personalListPath();
    std::string encoded(const QString &word) const;

    std::unique_ptr<Hunspell> hunspell_;
    bool utf8_ = true;
    QString language_;
    // Each word's verdict, as Hunspell takes some microseconds a word and a
    // key press checks its whole paragraph again.
    QHash<QString, bool> misspelt_;
};

} // namespace lumicap
