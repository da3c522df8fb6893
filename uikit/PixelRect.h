#pragma once
// A rectangle of client pixels with the edges of a Windows RECT: right and bottom lie
// just outside it, so the width is right - left.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    // Both edges counted as inside, the test the table and the plot use for the pointer.
    bool ContainsInclusive(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
    PixelRect Intersected(const PixelRect& o) const
    {
        PixelRect r{left > o.left ? left : o.left, top > o.top ? top : o.top, right < o.right ? right : o.right,
                    bottom < o.bottom ? bottom : o.bottom};
        if (r.right < r.left)
            r.right = r.left;
        if (r.bottom < r.top)
            r.bottom = r.top;
        return r;
    }
    bool operator==(const PixelRect&) const = default;
};
