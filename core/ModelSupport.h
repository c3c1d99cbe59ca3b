#pragma once

// Helpers shared by the model's source files; not part of its interface.

#include "core/Model.h"

namespace quindle::modelsupport {

/// A handler that drops the reply, for requests whose answer nobody reads (Model.cpp).
Model::Handler ignored();

} // namespace quindle::modelsupport
