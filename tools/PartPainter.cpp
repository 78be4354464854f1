#include "PartPainter.h"

TPart& PartPainter::Sym(const std::vector<V2>& rightHalf, Col col, float height, float bevel) {
    std::vector<V2> pts = rightHalf;
    for (size_t i = rightHalf.size(); i-- > 0;) {
        V2 p = rightHalf[i];
        if (p.x <= 0.001f) continue; // points on the axis are shared
        pts.push_back({-p.x, p.y});
    }
    return Poly(pts, false, col, height, bevel);
}

TPart& PartPainter::Add(TPart::Kind kind, bool mirror, Col col, float height, float bevel) {
    TPart p;
    p.kind = kind;
    p.mirror = mirror;
    p.col = col;
    p.height = height;
    p.bevel = bevel;
    parts.push_back(p);
    return parts.back();
}

TPart& PartPainter::Poly(const std::vector<V2>& pts, bool mirror, Col col, float height, float bevel) {
    TPart& p = Add(TPart::Polygon, mirror, col, height, bevel);
    p.poly = pts;
    return p;
}

TPart& PartPainter::Ellipse(V2 c, V2 radii, bool mirror, Col col, float height, float bevel) {
    TPart& p = Add(TPart::Ellipse, mirror, col, height, bevel);
    p.a = c;
    p.b = radii;
    return p;
}

TPart& PartPainter::Capsule(V2 a, V2 b, float r, bool mirror, Col col, float height, float bevel) {
    TPart& p = Add(TPart::Capsule, mirror, col, height, bevel);
    p.a = a;
    p.b = b;
    p.r = r;
    return p;
}

TPart& PartPainter::Box(V2 c, V2 half, float round, bool mirror, Col col, float height, float bevel) {
    TPart& p = Add(TPart::Box, mirror, col, height, bevel);
    p.a = c;
    p.b = half;
    p.r = round;
    return p;
}

TPart& PartPainter::Light(V2 c, V2 radii, bool mirror, Col col, float soft, float alpha) {
    TPart& p = Ellipse(c, radii, mirror, col, 0, 0);
    p.mode = TPart::Glow;
    p.soft = soft;
    p.alpha = alpha;
    return p;
}

float PartPainter::Distance(const TPart& part, V2 p) {
    if (part.mirror) p.x = std::fabs(p.x);
    switch (part.kind) {
    case TPart::Polygon: return SdPolygon(p, part.poly);
    case TPart::Ellipse: return SdEllipse(p, part.a, part.b);
    case TPart::Capsule: return SdSegment(p, part.a, part.b, part.r);
    case TPart::Box: return SdBox(p, part.a, part.b, part.r);
    }
    return 1e9f;
}

float PartPainter::SolidCoverage(V2 p) const {
    float a = 0;
    for (const TPart& part : parts)
        if (part.mode == TPart::Solid) a = std::max(a, Cover(Distance(part, p)));
    return a;
}

namespace {
// Plate seams: 1 on a seam between plates, 0 in a plate's middle; brickwork rows.
float Seam(V2 p, float size, float& tint, uint32_t seed) {
    float rowH = size * 0.8f;
    float fy = p.y / rowH;
    int row = static_cast<int>(std::floor(fy));
    float fx = std::fabs(p.x) / size + (row & 1) * 0.5f;
    int col = static_cast<int>(std::floor(fx));
    float dy = std::min(fy - row, row + 1 - fy) * rowH;
    float dx = std::min(fx - col, col + 1 - fx) * size;
    tint = Hash01(col, row, seed) - 0.5f;
    return 1 - Smooth(0.3f, 1.1f, std::min(dx, dy));
}
} // namespace

void PartPainter::Scale(float k) {
    w = std::max(1, static_cast<int>(std::lround(w * k)));
    h = std::max(1, static_cast<int>(std::lround(h * k)));
    for (TPart& part : parts) {
        for (V2& corner : part.poly) corner = corner * k;
        part.a = part.a * k;
        part.b = part.b * k;
        part.r *= k;
        part.height *= k;
        part.bevel *= k;
        part.plates *= k;
        part.soft *= k;
    }
}

Canvas PartPainter::Render() const {
    const size_t n = static_cast<size_t>(w) * h;
    std::vector<float> cov(n, 0), hei(n, 0), glo(n, 0);
    std::vector<Col> col(n);
    Canvas emit(w, h);
    const float cx = w * 0.5f, cy = h * 0.5f;
    uint32_t seed = 1;
    for (const TPart& part : parts) {
        ++seed;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                V2 p{x + 0.5f - cx, y + 0.5f - cy};
                float d = Distance(part, p);
                size_t i = static_cast<size_t>(y) * w + x;
                if (part.mode == TPart::Glow) {
                    // Bright core fading out to the ellipse's rim and a little beyond.
                    V2 q{(p.x - part.a.x) / part.b.x, (p.y - part.a.y) / part.b.y};
                    if (part.mirror) q.x = (std::fabs(p.x) - part.a.x) / part.b.x;
                    float k = Len(q);
                    float edge = 1 + part.soft / std::max(part.b.x, part.b.y);
                    float a = PowF(Clamp01(1 - k / edge), 1.2f) * part.alpha;
                    if (a > 0) emit.Add(x, y, Mix(part.col, Col{1, 1, 1}, Clamp01(1 - k * 1.4f) * 0.75f), a);
                    continue;
                }
                float a = Cover(d);
                if (a <= 0) continue;
                if (part.mode == TPart::Decal) {
                    a *= part.alpha * (cov[i] > 0 ? 1 : 0);
                    col[i] = Mix(col[i], part.col, a);
                    glo[i] += (part.gloss - glo[i]) * a;
                    continue;
                }
                // Raised part: a rounded bevel up to its top height.
                float t = part.bevel > 0 ? Clamp01(-d / part.bevel) : 1;
                float bump = std::sqrt(1 - (1 - t) * (1 - t));
                float top = part.height * (0.45f + 0.55f * bump);
                Col c = part.col;
                if (part.plates > 0 && t > 0.6f) {
                    float tint;
                    float s = Seam(p, part.plates, tint, seed);
                    c = c * (1 + 0.08f * tint) * (1 - 0.22f * s);
                    top -= 0.3f * s;
                }
                col[i] = cov[i] > 0 ? Mix(col[i], c, a) : c;
                hei[i] = hei[i] + (top - hei[i]) * a;
                glo[i] = glo[i] + (part.gloss - glo[i]) * a;
                cov[i] = cov[i] + a * (1 - cov[i]);
            }
    }
    // Light from the upper left, a little from above.
    const float lx = -0.55f, ly = -0.65f, lz = 0.75f;
    const float ll = std::sqrt(lx * lx + ly * ly + lz * lz);
    const float Lx = lx / ll, Ly = ly / ll, Lz = lz / ll;
    float hx = Lx, hy = Ly, hz = Lz + 1;
    float hl = std::sqrt(hx * hx + hy * hy + hz * hz);
    hx /= hl, hy /= hl, hz /= hl;
    Canvas out(w, h);
    auto H = [&](int x, int y) {
        x = std::clamp(x, 0, w - 1);
        y = std::clamp(y, 0, h - 1);
        return hei[static_cast<size_t>(y) * w + x];
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            size_t i = static_cast<size_t>(y) * w + x;
            const float* e = emit.At(x, y);
            if (cov[i] <= 0 && e[3] <= 0) continue;
            float gx = (H(x + 1, y) - H(x - 1, y)) * 0.5f, gy = (H(x, y + 1) - H(x, y - 1)) * 0.5f;
            float nx = -gx * 0.8f, ny = -gy * 0.8f, nz = 1;
            float nl = std::sqrt(nx * nx + ny * ny + nz * nz);
            nx /= nl, ny /= nl, nz /= nl;
            float diff = std::max(0.0f, nx * Lx + ny * Ly + nz * Lz);
            float shine = PowF(std::max(0.0f, nx * hx + ny * hy + nz * hz), 24.0f) * glo[i];
            Col c = col[i] * (0.28f + 0.85f * diff) + Col{1, 1, 1} * (shine * 0.8f);
            float a = cov[i];
            // Glows add light on the hull and make their own soft halo off it.
            Col light{e[0], e[1], e[2]};
            c = c + light;
            float alpha = std::max(a, std::min(1.0f, e[3]));
            if (a < alpha && alpha > 0) {
                // Off the hull the halo's own colour shows.
                Col halo = e[3] > 0 ? Col{e[0] / e[3], e[1] / e[3], e[2] / e[3]} : c;
                c = Mix(halo, c, a / alpha);
            }
            c = {Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)};
            out.Set(x, y, c, alpha);
        }
    return out;
}
