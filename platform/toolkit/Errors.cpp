#include "Errors.h"

#include <new>

namespace platform {

ErrObject Err;

Error::Error(int number, const QString& description)
    : std::runtime_error(description.toStdString())
    , number_(number)
    , description_(description) {}

void ErrObject::Clear() {
    Number = 0;
    Description.clear();
}

bool ResumeNext(const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (const Error& e) {
        Err.Number = e.Number();
        Err.Description = e.Description();
    } catch (const std::bad_alloc&) {
        Err.Number = errOutOfMemory;
        Err.Description = QStringLiteral("Out of memory");
    } catch (const std::exception& e) {
        Err.Number = errApplicationDefined;
        Err.Description = QString::fromLocal8Bit(e.what());
    }
    return false;
}

} // namespace platform
