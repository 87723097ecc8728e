// The top chart: the ten best scores with their players' names ("TOP KINGS"), kept between
// runs in "chart.raw" of the data folder, and the table the menu and the name entry draw.
//
// "chart.raw" is exactly 200 bytes: for each row, best first, the points as 4 big-endian
// bytes and the name as 16 bytes ending in a NUL; the whole block is stored scrambled
// (AUX_Scramble with length 200). A file that cannot be read or is not 200 bytes long gives
// the built-in default chart. Names read from a file are always cut to 15 characters.
#pragma once

#include <cstddef>
#include <cstdint>

enum {
    CHART_ROWS = 10,
    CHART_NAME_SIZE = 16, // 15 characters and the NUL
    CHART_FILE_SIZE = 200,
};

struct ChartEntry {
    uint32_t points;
    char name[CHART_NAME_SIZE]; // always NUL-terminated
};

// Best first; lives for the whole run. The name entry after a game writes into it.
extern ChartEntry chart[CHART_ROWS];
// The table's centre column and top row on the back buffer, from the theme's "CHART".
extern uint16_t chartCentreX;
extern uint16_t chartTop;

// Reads "chart.raw" from the data folder (the default chart when the file is missing or
// holds no chart, also when it cannot be read, which is said once on stderr) and then the
// theme's "CHART" position. False only when "CHART" does not hold two numbers; the rows are
// read all the same. Called by the theme loop before the menu.
[[nodiscard]] bool LoadChart();
// Writes the rows to "chart.raw", making its folder, but only when the last LoadChart read
// them from the file or found it missing or holding no chart: a chart that could not be
// read is never replaced. A failed write leaves the old file and is said once on stderr.
// Called by the theme loop after the menu.
void SaveChart();
// Whether SaveChart would write: rows loaded and not saved since.
[[nodiscard]] bool ChartAwaitsSave();
// Whether `text` is a "CHART" value: two numbers, the centre column and the top row.
[[nodiscard]] bool ParseChartPlace(const char* text, unsigned* x, unsigned* y);
// The "TOP KINGS" title and the ten rows onto the back buffer, points right-aligned so that
// the widest row is centred on chartCentreX.
void DrawChart();

// The pieces of the above, for the tools and the tests.
void SetDefaultChart();
// The rows from one stored block: false, and the default chart, unless size is 200.
[[nodiscard]] bool ChartFromBytes(const uint8_t* data, size_t size);
// The stored (scrambled) block of the present rows.
void ChartToBytes(uint8_t out[CHART_FILE_SIZE]);
// As LoadChart's and SaveChart's file steps, for a given path. Reading returns whether the
// file was usable; writing whether every byte reached the file.
[[nodiscard]] bool ReadChartFile(const char* path);
[[nodiscard]] bool WriteChartFile(const char* path);
