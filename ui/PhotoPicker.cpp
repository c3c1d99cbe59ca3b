#include "ui/PhotoPicker.h"

#include <mutex>

namespace quindle {

namespace {

std::mutex s_mutex;
std::shared_ptr<PhotoPicker> s_shared;

} // namespace

std::shared_ptr<PhotoPicker> PhotoPicker::shared()
{
    std::lock_guard lock(s_mutex);
    return s_shared;
}

void PhotoPicker::setShared(std::shared_ptr<PhotoPicker> picker)
{
    std::lock_guard lock(s_mutex);
    s_shared = std::move(picker);
}

} // namespace quindle
