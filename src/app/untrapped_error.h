// Errors that no handler traps: the failing handler stops, together with every
// handler it runs inside, a message box gives the error's number and
// description, and the program ends with a non-zero status.
#pragma once

#include <QString>

#include <exception>
#include <functional>

namespace korivanta {

class UntrappedError : public std::exception {
public:
    UntrappedError(int number, QString description);
    int number() const { return m_number; }
    const QString &description() const { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};

// Error numbers, as the database engine and the picture loader give them.
namespace ErrorNumber {
inline constexpr int FileNotFound = 53;
inline constexpr int InvalidPicture = 481;
inline constexpr int DatabaseNotFound = 3024;
inline constexpr int InvalidPath = 3044;
inline constexpr int DatabaseLocked = 3045;
inline constexpr int CannotOpenFile = 3051;
inline constexpr int TableNotFound = 3078;
inline constexpr int QueryRejected = 3131;
inline constexpr int FieldNotFound = 3265;
inline constexpr int UnrecognizedDatabase = 3343;
} // namespace ErrorNumber

// Runs one event handler of the program. An UntrappedError raised inside it is
// reported and the program ends; once that has happened no handler runs again.
void runHandler(const std::function<void()> &handler);

// What happens to an untrapped error: by default the message box and the end
// of the program (exit status 1). Tests put a recorder here.
using UntrappedErrorReporter = std::function<void(const UntrappedError &)>;
void setUntrappedErrorReporter(UntrappedErrorReporter reporter);
void reportUntrappedError(const UntrappedError &error);
bool programIsEnding();
void resetProgramEnding(); // tests only

} // namespace korivanta
