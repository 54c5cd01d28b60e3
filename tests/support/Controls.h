#pragma once

#include <QObject>
#include <QString>

#include <stdexcept>
#include <string>

namespace lumivast::test {

// The control named `name` under `root`, for tests that drive a form by its
// controls' object names. A missing name fails the test there and then, saying
// which name and type it looked for.
template <typename T>
T* control(const QObject* root, const char* name)
{
    T* found = root ? root->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    if (!found)
        throw std::runtime_error(std::string("no ") + T::staticMetaObject.className() + " named \"" + name + "\"");
    return found;
}

} // namespace lumivast::test
