#pragma once

#include <QString>
#include <functional>
#include <stdexcept>

namespace platform {

// Run-time error numbers the windows look at.
enum ErrorNumber : int {
    errOutOfMemory = 7,
    errObjectNotSet = 91,
    errFileNotFound = 53,
    errPermissionDenied = 70,
    errPathFileAccess = 75,
    errInvalidPropertyValue = 380,
    errInvalidPicture = 481,
    errApplicationDefined = 1004,
};

// A failing toolkit step. Routines without error handling let it travel to whoever
// triggered them; routines that "skip failing steps" run each step through ResumeNext.
class Error : public std::runtime_error {
public:
    explicit Error(int number, const QString& description = {});
    int Number() const { return number_; }
    QString Description() const { return description_; }

private:
    int number_;
    QString description_;
};

// The last recorded error, as the routines that skip failing steps examine it.
class ErrObject {
public:
    int Number = 0;
    QString Description;
    void Clear();
};

extern ErrObject Err;

// Runs one step; a failure is recorded in Err and the caller goes on with its next step.
// Returns whether the step completed.
bool ResumeNext(const std::function<void()>& step);

} // namespace platform
