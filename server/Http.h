#pragma once

#include <httplib.h>

namespace quindle {

/// What a route handler reads and writes.
using HttpRequest = httplib::Request;
using HttpResponse = httplib::Response;

} // namespace quindle
