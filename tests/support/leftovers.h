#pragma once

// Tests that make tables, views, sequences, functions or types for the
// fixture's logins (scott, odd, empty) or in the public schema drop them
// again at the start and the end of their program, so that one test program
// runs as often as wanted against one running server, whatever an earlier
// run left behind. The fixture's own objects stay.
namespace testpg {

// Drops every such object the fixture did not make. Does nothing when the
// server's environment is missing; throws std::runtime_error when it fails.
void dropLeftovers();

} // namespace testpg
