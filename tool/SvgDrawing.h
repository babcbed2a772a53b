// Small pieces of hand-written SVG shared by the command's plots.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>

namespace ondulaxis::tool::svg {

inline std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

inline std::string escapeXml(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            case '"': escaped += "&quot;"; break;
            default: escaped += c;
        }
    }
    return escaped;
}

// A plotting area mapping data ranges onto a rectangle of the page.
struct Panel {
    double left, top, width, height;
    double xMin, xMax, yMin, yMax;

    double x(double value) const { return left + (value - xMin) / (xMax - xMin) * width; }
    double y(double value) const {
        const double clamped = std::clamp(value, yMin, yMax);
        return top + (yMax - clamped) / (yMax - yMin) * height;
    }
};

inline std::string text(double x, double y, const std::string& content, const char* anchor = "middle",
                 const char* extra = "") {
    return "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\" text-anchor=\"" + anchor + "\"" + extra + ">" +
           escapeXml(content) + "</text>\n";
}

inline std::string line(double x1, double y1, double x2, double y2, const char* style) {
    return "<line x1=\"" + number(x1) + "\" y1=\"" + number(y1) + "\" x2=\"" + number(x2) + "\" y2=\"" +
           number(y2) + "\" class=\"" + style + "\"/>\n";
}

// A grid line across the panel at x = `at`, labelled below it.
inline std::string xTick(const Panel& panel, double at, const std::string& label) {
    return line(panel.x(at), panel.top, panel.x(at), panel.top + panel.height, "grid") +
           text(panel.x(at), panel.top + panel.height + 16, label);
}

// A grid line across the panel at y = `at`, labelled left of it.
inline std::string yTick(const Panel& panel, double at, const std::string& label) {
    return line(panel.left, panel.y(at), panel.left + panel.width, panel.y(at), "grid") +
           text(panel.left - 6, panel.y(at) + 4, label, "end");
}

// The panel's frame, `xLabel` below it and `yLabel` turned up its left
// side, `gap` away.
inline std::string frame(const Panel& panel, const std::string& xLabel, const std::string& yLabel, double gap) {
    const double labelX = panel.left - gap;
    const double labelY = panel.top + panel.height / 2;
    return "<rect x=\"" + number(panel.left) + "\" y=\"" + number(panel.top) + "\" width=\"" + number(panel.width) +
           "\" height=\"" + number(panel.height) + "\" class=\"frame\"/>\n" +
           text(panel.left + panel.width / 2, panel.top + panel.height + 36, xLabel) +
           text(labelX, labelY, yLabel, "middle",
                (" transform=\"rotate(-90 " + number(labelX) + " " + number(labelY) + ")\"").c_str());
}

// The opening of a plot page: size, shared styles plus `styles`, a white
// background, the title and a subtitle.
inline std::string page(double width, double height, const std::string& title, const std::string& subtitle,
                        const char* styles = "") {
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(width) + "\" height=\"" + number(height) +
           "\" viewBox=\"0 0 " + number(width) + " " + number(height) +
           "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    svg += std::string("<style>\n"
                       " .grid { stroke: #dddddd; stroke-width: 1; }\n"
                       " .frame { fill: none; stroke: #444444; stroke-width: 1; }\n"
                       " .title { font-size: 18px; font-weight: bold; }\n") +
           styles + "</style>\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += text(width / 2, 28, title, "middle", " class=\"title\"");
    svg += text(width / 2, 50, subtitle);
    return svg;
}

}  // namespace ondulaxis::tool::svg
