// Builds PNG files in memory for tests, benchmarks and fuzz seeds.
#pragma once
