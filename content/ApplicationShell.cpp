#include "content/ApplicationShell.h"

#include <mutex>

namespace quindle {

namespace {
std::mutex s_mutex;
std::shared_ptr<ApplicationShell> s_shell;
}

std::shared_ptr<ApplicationShell> ApplicationShell::shared()
{
    std::lock_guard lock(s_mutex);
    return s_shell;
}

void ApplicationShell::setShared(std::shared_ptr<ApplicationShell> shell)
{
    std::lock_guard lock(s_mutex);
    s_shell = std::move(shell);
}

} // namespace quindle
