// Builds DWG drawing files in code for tests, benchmarks and fuzz seeds.
#pragma once
