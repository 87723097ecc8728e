#include "game/chart.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "game/screens.h"
#include "shell/app.h"
#include "shell/paths.h"
#include "toolkit/gfx/font.h"
#include "util/kv.h"
#include "util/mem.h"
#include "util/tools.h"

ChartEntry chart[CHART_ROWS];
uint16_t chartCentreX;
uint16_t chartTop;

namespace {

constexpr uint32_t DEFAULT_POINTS[CHART_ROWS] = {5000, 4500, 4000, 3500, 3000,
                                                 2500, 2000, 1500, 1000, 500};
constexpr const char* DEFAULT_NAME = "plume";
constexpr size_t ROW_SIZE = 20;

// "%u %s" of a row never exceeds 10 digits, a space and 15 characters.
constexpr size_t ROW_TEXT_SIZE = 32;

void FormatRow(const ChartEntry& row, char* text)
{
    snprintf(text, ROW_TEXT_SIZE, "%u %s", row.points, row.name);
}

uint16_t DigitsWidth(uint32_t points)
{
    char digits[ROW_TEXT_SIZE];
    snprintf(digits, sizeof digits, "%u", points);
    return TXT_TextWidth(app.fontChart, digits, 1);
}

// Whether the rows came from "chart.raw", or are the default chart because the file proved
// to hold none: only then may they go back into it.
bool keepable;

bool ChartPath(char* path, size_t size)
{
    return app.folders != nullptr && app.folders->data[0] != '\0' &&
           AUX_JoinPath(path, size, '/', 0, app.folders->data, "chart.raw", nullptr);
}

} // namespace

void SetDefaultChart()
{
    for (int i = 0; i < CHART_ROWS; i++) {
        chart[i].points = DEFAULT_POINTS[i];
        memset(chart[i].name, 0, CHART_NAME_SIZE);
        memcpy(chart[i].name, DEFAULT_NAME, strlen(DEFAULT_NAME));
    }
}

bool ChartFromBytes(const uint8_t* data, size_t size)
{
    if (data == nullptr || size != CHART_FILE_SIZE) {
        SetDefaultChart();
        return false;
    }
    uint8_t plain[CHART_FILE_SIZE];
    memcpy(plain, data, CHART_FILE_SIZE);
    AUX_Unscramble(plain, CHART_FILE_SIZE);
    for (int i = 0; i < CHART_ROWS; i++) {
        const uint8_t* row = plain + ROW_SIZE * i;
        chart[i].points = static_cast<uint32_t>(row[0]) << 24 | static_cast<uint32_t>(row[1]) << 16 |
                          static_cast<uint32_t>(row[2]) << 8 | row[3];
        memcpy(chart[i].name, row + 4, CHART_NAME_SIZE);
        chart[i].name[CHART_NAME_SIZE - 1] = '\0';
    }
    return true;
}

void ChartToBytes(uint8_t out[CHART_FILE_SIZE])
{
    memset(out, 0, CHART_FILE_SIZE);
    for (int i = 0; i < CHART_ROWS; i++) {
        uint8_t* row = out + ROW_SIZE * i;
        const uint32_t p = chart[i].points;
        row[0] = static_cast<uint8_t>(p >> 24);
        row[1] = static_cast<uint8_t>(p >> 16);
        row[2] = static_cast<uint8_t>(p >> 8);
        row[3] = static_cast<uint8_t>(p);
        // Only the name up to its NUL is stored; the rest of the field is zero so that the
        // same rows always give the same file.
        memcpy(row + 4, chart[i].name, strnlen(chart[i].name, CHART_NAME_SIZE - 1));
    }
    AUX_Scramble(out, CHART_FILE_SIZE);
}

bool ReadChartFile(const char* path)
{
    uint32_t size = 0;
    auto* data = static_cast<uint8_t*>(AUX_ReadFile(path, nullptr, &size, 0));
    const bool usable = ChartFromBytes(data, data != nullptr ? size : 0);
    MEM_Free(data);
    return usable;
}

bool WriteChartFile(const char* path)
{
    uint8_t bytes[CHART_FILE_SIZE];
    ChartToBytes(bytes);
    return AUX_WriteFile(path, bytes, CHART_FILE_SIZE);
}

bool ParseChartPlace(const char* text, unsigned* x, unsigned* y)
{
    return text != nullptr && sscanf(text, "%u %u", x, y) == 2;
}

bool LoadChart()
{
    keepable = false;
    SetDefaultChart();
    char path[1024];
    if (ChartPath(path, sizeof path)) {
        const AUX_FileState state = AUX_CheckFile(path);
        uint32_t size = 0;
        uint8_t* data = nullptr;
        if (state == AUX_FILE_READABLE) {
            data = static_cast<uint8_t*>(AUX_ReadFile(path, nullptr, &size, 0));
        }
        if (state == AUX_FILE_MISSING || data != nullptr) {
            // A file of any other length holds no chart: the default one may replace it.
            (void)ChartFromBytes(data, size);
            keepable = true;
        } else {
            SayOnce(NOTICE_CHART, "cannot read %s (%s): scores will not be kept", path, strerror(errno));
        }
        MEM_Free(data);
    }
    const char* place = nullptr;
    unsigned x = 0;
    unsigned y = 0;
    if (!KV_GetString(app.descriptor, "CHART", &place) || !ParseChartPlace(place, &x, &y)) {
        return false;
    }
    chartCentreX = static_cast<uint16_t>(app.backBufferX + x);
    chartTop = static_cast<uint16_t>(y);
    return true;
}

void SaveChart()
{
    char path[1024];
    if (!keepable || !ChartPath(path, sizeof path)) {
        return;
    }
    keepable = false;
    if (!MakeFolders(app.folders->data) || !WriteChartFile(path)) {
        // The old file, if any, stays as it was.
        SayOnce(NOTICE_CHART, "cannot write %s (%s): scores are not kept", path, strerror(errno));
    }
}

bool ChartAwaitsSave()
{
    return keepable;
}

void DrawChart()
{
    if (app.fontLabels == nullptr || app.fontChart == nullptr || app.fontOutline == nullptr) {
        return;
    }
    const int labelsHeight = app.fontLabels->largestHeight;
    const int chartHeight = app.fontChart->largestHeight;
    const int y0 = chartTop - (labelsHeight + 1) * 6;
    const char* title = "TOP KINGS";
    const int titleWidth = TXT_TextWidth(app.fontLabels, title, 1);
    DrawOutlinedText(app.fontLabels, app.fontOutline, title, chartCentreX - titleWidth / 2, y0);

    char text[ROW_TEXT_SIZE];
    int widest = 0;
    int widestWidth = -1;
    for (int i = 0; i < CHART_ROWS; i++) {
        FormatRow(chart[i], text);
        const int w = TXT_TextWidth(app.fontChart, text, 1);
        if (w > widestWidth) {
            widestWidth = w;
            widest = i;
        }
    }
    const int a = chartCentreX - widestWidth / 2 + DigitsWidth(chart[widest].points);
    int y = y0 + labelsHeight + 1;
    for (int i = 0; i < CHART_ROWS; i++) {
        y += chartHeight + 1;
        FormatRow(chart[i], text);
        DrawOutlinedText(app.fontChart, app.fontOutline, text, a - DigitsWidth(chart[i].points), y);
    }
}
