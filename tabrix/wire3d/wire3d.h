/*
 * wire3d.h - perspective wireframes on the drawing layer: lines, circular
 * arcs, boxes, markers and labels in world coordinates.  Points are
 * rotated, projected in perspective, scaled and offset onto the screen;
 * every line is clipped against the pen's box in world space, and what
 * lies outside the box is still drawn, in the pen's second colour.
 *
 * A drawing aid of the library's own: nothing exports it.  A pen must be
 * initialised and given a current point (Pen3DMoveTo) before it draws.
 */
#ifndef TABRIX_WIRE3D_WIRE3D_H
#define TABRIX_WIRE3D_WIRE3D_H

#include <cstdint>

/* Arc flags. */
#define PEN3D_CLOCKWISE 1u
#define PEN3D_EXTRA_TURN 2u     /* one more full turn */

/* Arc planes: the two axes the arc turns in. */
#define PEN3D_PLANE_XY 0
#define PEN3D_PLANE_XZ 1
#define PEN3D_PLANE_YZ 2

struct _PEN3D {
    uint8_t colour;             /* what lies inside the box */
    uint8_t outsideColour;      /* what lies outside it */
    uint8_t background;         /* handed to GDISetColor */
    uint16_t pattern;           /* line pattern */
    uint8_t outcode;            /* of the current point against the box */
    double point[3];            /* the current point, x, y, z */
    double projected[3];        /* the current point after Project3D */
    double boxMin[3];           /* the clip box */
    double boxMax[3];
    uint32_t wasOutside;        /* 1 once a current point lay outside the box */
};

/* Sets the one view: rotation a about the z axis, tilt b about the x axis
   (radians), viewer distance d, scale s, offset t (3 doubles, copied),
   screen origin (x0, y0). */
void View3DSet(double a, double b, double d, double s, const double *t, int32_t x0, int32_t y0);

/* A pen of one colour whose box holds every point. */
_PEN3D *Pen3DInit(_PEN3D *pen, uint8_t colour, uint8_t background, uint16_t pattern);
void Pen3DInitBox(_PEN3D *pen, uint8_t colour, uint8_t outsideColour, uint8_t background,
                  uint16_t pattern, double minX, double minY, double minZ, double maxX,
                  double maxY, double maxZ);

/* Makes a point the current one; draws nothing. */
void Pen3DMoveTo(_PEN3D *pen, double x, double y, double z);
void Pen3DMoveTo(_PEN3D *pen, const double *p);

/* A line from the current point, which moves to its end. */
void Pen3DLineTo(_PEN3D *pen, double x, double y, double z);
void Pen3DLineTo(_PEN3D *pen, const double *p);

/* Pen3DMoveTo the first point, Pen3DLineTo the second. */
void Pen3DSegment(_PEN3D *pen, double x1, double y1, double z1, double x2, double y2, double z2);
void Pen3DSegment(_PEN3D *pen, const double *p, const double *q);

/* Takes the current point of other, with its outcode against this pen's
   box. */
_PEN3D *Pen3DCopyPoint(_PEN3D *pen, const _PEN3D *other);

/* An arc in plane from the current point around the centre c to the end
   e, which fixes the radius; counter-clockwise unless flags say
   PEN3D_CLOCKWISE.  An arc that would end where it starts makes a full
   turn.  Another plane, or a radius of 0, draws nothing and leaves the
   pen where it was. */
void Pen3DArc(_PEN3D *pen, int32_t plane, uint32_t flags, double cx, double cy, double cz,
              double ex, double ey, double ez);
void Pen3DArc(_PEN3D *pen, int32_t plane, uint32_t flags, const double *c, const double *e);

/* The twelve edges of the box with corners (x1, y1, z1) and (x2, y2, z2);
   the pen ends at the second corner. */
void Pen3DBox(_PEN3D *pen, double x1, double y1, double z1, double x2, double y2, double z2);

/* A star of four strokes of half-size h at the current point. */
void Pen3DMarker(_PEN3D *pen, int32_t h);

/* text below and right of the current point; last is the drawing layer's
   spare text attribute. */
void Pen3DText(_PEN3D *pen, const char *text, uint8_t last);

/* The module's own steps. */

/* Rotates, projects, scales and offsets p (3 doubles) in place. */
void Project3D(double *p);

/* Bits 1 and 2: x below and above the box; 4 and 8: y; 16 and 32: z.  A
   point on a face is inside. */
uint8_t Outcode3D(const _PEN3D *pen, const double *p);

/* Moves the ends of the line p1-p2 along it onto the faces of the box
   until both are inside or both lie beyond one face; clipped1 and
   clipped2 tell which ends moved, code1 and code2 end as their
   outcodes. */
void Clip3D(const _PEN3D *pen, double *p1, double *p2, uint8_t *code1, uint8_t *code2,
            int *clipped1, int *clipped2);

#endif
