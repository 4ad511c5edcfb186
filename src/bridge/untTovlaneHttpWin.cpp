#include "bridge/untTovlaneHttp.h"

std::unique_ptr<TTovlaneHttp> createHttp() { return std::make_unique<TTovlaneHttp>(GetIpWithCache); }
