#include "BenchRun.h"

int main(int argc, char** argv) { return qxbench::RunBenchmarks(argc, argv); }
