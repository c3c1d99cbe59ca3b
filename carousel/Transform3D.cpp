#include "carousel/Transform3D.h"

#include <cmath>

namespace quindle {

Transform3D Transform3D::zero()
{
    Transform3D t;
    t.m_.fill(0);
    return t;
}

Transform3D Transform3D::makeTranslation(double x, double y, double z)
{
    Transform3D t;
    t.setM(4, 1, x);
    t.setM(4, 2, y);
    t.setM(4, 3, z);
    return t;
}

Transform3D Transform3D::makeRotation(double angle, double x, double y, double z)
{
    double length = std::sqrt(x * x + y * y + z * z);
    if (length == 0 || !std::isfinite(length))
        return {};
    x /= length;
    y /= length;
    z /= length;
    double c = std::cos(angle);
    double s = std::sin(angle);
    double k = 1 - c;
    // The row-vector form is the transpose of the usual column-vector rotation, so a positive
    // angle about (0, 0, 1) turns (1, 0, 0) towards (0, 1, 0).
    Transform3D t;
    t.setM(1, 1, c + k * x * x);
    t.setM(1, 2, k * x * y + s * z);
    t.setM(1, 3, k * x * z - s * y);
    t.setM(2, 1, k * x * y - s * z);
    t.setM(2, 2, c + k * y * y);
    t.setM(2, 3, k * y * z + s * x);
    t.setM(3, 1, k * x * z + s * y);
    t.setM(3, 2, k * y * z - s * x);
    t.setM(3, 3, c + k * z * z);
    return t;
}

Transform3D Transform3D::makePerspective(double perspective)
{
    Transform3D t;
    t.setM(3, 4, perspective);
    return t;
}

Transform3D Transform3D::concatenated(const Transform3D& other) const
{
    Transform3D result = zero();
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += m_[r * 4 + k] * other.m_[k * 4 + c];
            result.m_[r * 4 + c] = sum;
        }
    }
    return result;
}

Transform3D Transform3D::translated(double x, double y, double z) const
{
    // A translation only mixes the fourth row: row4 = (x, y, z, 1) * M.
    Transform3D result = *this;
    for (int c = 1; c <= 4; ++c)
        result.setM(4, c, x * m(1, c) + y * m(2, c) + z * m(3, c) + m(4, c));
    return result;
}

Transform3D Transform3D::rotated(double angle, double x, double y, double z) const
{
    return makeRotation(angle, x, y, z).concatenated(*this);
}

Vector4 Transform3D::apply(const Vector3& p) const
{
    return {
        p.x * m(1, 1) + p.y * m(2, 1) + p.z * m(3, 1) + m(4, 1),
        p.x * m(1, 2) + p.y * m(2, 2) + p.z * m(3, 2) + m(4, 2),
        p.x * m(1, 3) + p.y * m(2, 3) + p.z * m(3, 3) + m(4, 3),
        p.x * m(1, 4) + p.y * m(2, 4) + p.z * m(3, 4) + m(4, 4),
    };
}

Vector3 Transform3D::project(const Vector3& p) const
{
    Vector4 v = apply(p);
    if (v.w == 0)
        return { v.x, v.y, v.z };
    return { v.x / v.w, v.y / v.w, v.z / v.w };
}

}
