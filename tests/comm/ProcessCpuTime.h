// CPU time this process has used so far, all threads, user and system: tests
// use it to tell an idle receive thread from a spinning one.
#pragma once

double ProcessCpuMilliseconds();
