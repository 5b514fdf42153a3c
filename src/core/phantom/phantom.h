#pragma once
// Placeholder; see phantom.cpp.
