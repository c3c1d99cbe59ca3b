#pragma once

namespace quindle {

class HttpRouter;
class ServerContext;

/// "/images/TOKEN.jpg": a stored picture by its random token. The pictures of an unpublished site
/// go only to its owner and root users; everyone else gets the same 404 as for a missing picture,
/// so an address does not even tell that the picture exists.
void registerImageRoutes(HttpRouter& server, ServerContext& context);

} // namespace quindle
