#pragma once
#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <memory>

class QSettings;

namespace quillmark {

// The user's preferences: what the user set, persisted under $XDG_CONFIG_HOME/Brenholt/, over
// the registered defaults, which are never stored. The getters convert leniently the way
// preference readers expect ("YES" is true, "12abc" reads 12, a number reads as its text).
class UserDefaults
{
public:
    static UserDefaults &standard();
    // Points the shared instance at a fresh file and forgets the registered defaults.
    static void resetStandardForTesting(const QString &path);

    explicit UserDefaults(const QString &path);
    ~UserDefaults();
    UserDefaults(const UserDefaults &) = delete;
    UserDefaults &operator=(const UserDefaults &) = delete;

    QString filePath() const { return m_path; }

    void registerDefaults(const QVariantMap &defaults);

    QVariant objectForKey(const QString &key) const;
    QString stringForKey(const QString &key) const;
    qint64 integerForKey(const QString &key) const;
    double floatForKey(const QString &key) const;
    bool boolForKey(const QString &key) const;
    QVariantList arrayForKey(const QString &key) const;
    QVariantMap dictionaryForKey(const QString &key) const;
    QByteArray dataForKey(const QString &key) const;

    // A null value removes the key.
    void setObject(const QVariant &value, const QString &key);
    void setBool(bool value, const QString &key);
    void setInteger(qint64 value, const QString &key);
    void setFloat(double value, const QString &key);
    void setString(const QString &value, const QString &key);
    void removeObject(const QString &key);
    bool synchronize();

    // A number that changes whenever any value of any instance is set, removed or registered
    // (or the shared instance is replaced): what is read from the defaults for every object
    // drawn is read once per change, not at every drawing.
    static quint64 changeCount();

private:
    QString m_path;
    std::unique_ptr<QSettings> m_settings;
    QVariantMap m_registered;
};

} // namespace quillmark
