// Symbol visibility of libnetclient: the build hides every symbol not marked NWC_API.
#pragma once

#define NWC_API __attribute__((visibility("default")))
