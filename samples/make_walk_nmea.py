#!/usr/bin/env python3
"""Writes walk.nmea: a five-minute walk through the Englischer Garten in
Munich, one fix a second (GGA, RMC, GSA every second, GSV every fifth), with
a little noise in position, altitude and satellites as a handheld would log it."""
import math
import random

random.seed(7)
START_LAT, START_LON = 48.15210, 11.59190   # near the Chinese Tower
SECONDS = 300
# Legs of the walk: (heading in degrees, seconds, metres per second)
LEGS = [(20, 80, 1.4), (75, 60, 1.3), (140, 70, 1.5), (200, 50, 1.2), (260, 40, 1.4)]
SATS = [(5, 62, 40), (12, 35, 110), (15, 18, 200), (18, 71, 300), (21, 44, 250), (24, 12, 30),
        (26, 27, 160), (29, 55, 80)]


def checksum(body):
    c = 0
    for ch in body.encode('ascii'):
        c ^= ch
    return '%02X' % c


def sentence(body):
    return '$%s*%s\r\n' % (body, checksum(body))


def ddmm(value, lat):
    hemi = ('N' if value >= 0 else 'S') if lat else ('E' if value >= 0 else 'W')
    v = abs(value)
    deg = int(v)
    minutes = (v - deg) * 60
    return ('%02d%07.4f' if lat else '%03d%07.4f') % (deg, minutes), hemi


def main():
    lat, lon, alt = START_LAT, START_LON, 515.0
    out = []
    t = 9 * 3600 + 30 * 60  # 09:30:00 UTC
    legs = [leg for leg in LEGS for _ in range(leg[1])]
    for i in range(SECONDS):
        heading, _, speed = legs[min(i, len(legs) - 1)]
        heading += random.uniform(-8, 8)
        speed *= random.uniform(0.85, 1.15)
        dn = speed * math.cos(math.radians(heading))
        de = speed * math.sin(math.radians(heading))
        lat += dn / 111320.0
        lon += de / (111320.0 * math.cos(math.radians(lat)))
        alt += random.uniform(-0.3, 0.3)
        hh, mm, ss = t // 3600, (t // 60) % 60, t % 60
        stamp = '%02d%02d%02d.00' % (hh, mm, ss)
        la, ns = ddmm(lat + random.uniform(-2e-6, 2e-6), True)
        lo, ew = ddmm(lon + random.uniform(-2e-6, 2e-6), False)
        used = 7 if i % 40 < 35 else 6
        hdop = 0.9 + random.uniform(0, 0.4)
        out.append(sentence('GPGGA,%s,%s,%s,%s,%s,1,%02d,%.1f,%.1f,M,47.6,M,,' % (stamp, la, ns, lo, ew, used, hdop, alt)))
        knots = speed / 0.514444
        out.append(sentence('GPRMC,%s,A,%s,%s,%s,%s,%.2f,%.1f,180524,,,A' % (stamp, la, ns, lo, ew, knots, heading % 360)))
        prns = ','.join('%02d' % s[0] for s in SATS[:used]) + ',' * (12 - used)
        out.append(sentence('GPGSA,A,3,%s,%.1f,%.1f,%.1f' % (prns, hdop + 0.6, hdop, hdop + 0.3)))
        if i % 5 == 0:
            for part in range(2):
                sats = SATS[part * 4:part * 4 + 4]
                fields = ','.join('%02d,%02d,%03d,%02d' % (p, e, a, 30 + (p * 7 + i) % 18) for p, e, a in sats)
                out.append(sentence('GPGSV,2,%d,%02d,%s' % (part + 1, len(SATS), fields)))
        t += 1
    with open('walk.nmea', 'w', newline='') as f:
        f.writelines(out)


if __name__ == '__main__':
    main()
