#!/usr/bin/env python3
"""Generates src/sections/TimeZones.cpp, the Time page's zone table.

Each row is a zone name as the page lists it (spaces where the tz database writes
underscores) with its standard offset from UTC in minutes. Offsets come from the system's
tz database (Debian package tzdata, /usr/share/zoneinfo/tzdata.zi): the standard offset of
the zone's present rule, following links. The rows in NON_HOUR and OTHER carry their own
numbers: devices in the field were set up with them, and several of these names are gone
from the database or have moved since.

Run once from the repository root and commit the result:
    python3 tools/gen_time_zones.py [path/to/tzdata.zi]
"""
import os
import shutil
import subprocess
import sys

NAMES = [
    'Africa/Abidjan', 'Africa/Accra', 'Africa/Addis Ababa', 'Africa/Algiers', 'Africa/Asmara',
    'Africa/Asmera', 'Africa/Bamako', 'Africa/Bangui', 'Africa/Banjul', 'Africa/Bissau',
    'Africa/Blantyre', 'Africa/Brazzaville', 'Africa/Bujumbura', 'Africa/Cairo',
    'Africa/Casablanca', 'Africa/Ceuta', 'Africa/Conakry', 'Africa/Dakar', 'Africa/Dar es Salaam',
    'Africa/Djibouti', 'Africa/Douala', 'Africa/El Aaiun', 'Africa/Freetown', 'Africa/Gaborone',
    'Africa/Harare', 'Africa/Johannesburg', 'Africa/Juba', 'Africa/Kampala', 'Africa/Khartoum',
    'Africa/Kigali', 'Africa/Kinshasa', 'Africa/Lagos', 'Africa/Libreville', 'Africa/Lome',
    'Africa/Luanda', 'Africa/Lubumbashi', 'Africa/Lusaka', 'Africa/Malabo', 'Africa/Maputo',
    'Africa/Maseru', 'Africa/Mbabane', 'Africa/Mogadishu', 'Africa/Monrovia', 'Africa/Nairobi',
    'Africa/Ndjamena', 'Africa/Niamey', 'Africa/Nouakchott', 'Africa/Ouagadougou',
    'Africa/Porto-Novo', 'Africa/Sao Tome', 'Africa/Timbuktu', 'Africa/Tripoli', 'Africa/Tunis',
    'Africa/Windhoek', 'America/Adak', 'America/Anchorage', 'America/Anguilla', 'America/Antigua',
    'America/Araguaina', 'America/Argentina/Buenos Aires', 'America/Argentina/Catamarca',
    'America/Argentina/ComodRivadavia', 'America/Argentina/Cordoba', 'America/Argentina/Jujuy',
    'America/Argentina/La Rioja', 'America/Argentina/Mendoza', 'America/Argentina/Rio Gallegos',
    'America/Argentina/Salta', 'America/Argentina/San Juan', 'America/Argentina/San Luis',
    'America/Argentina/Tucuman', 'America/Argentina/Ushuaia', 'America/Aruba', 'America/Asuncion',
    'America/Atikokan', 'America/Bahia', 'America/Bahia Banderas', 'America/Barbados',
    'America/Belem', 'America/Belize', 'America/Blanc-Sablon', 'America/Boa Vista',
    'America/Bogota', 'America/Boise', 'America/Cambridge Bay', 'America/Campo Grande',
    'America/Cancun', 'America/Caracas', 'America/Cayenne', 'America/Cayman', 'America/Chicago',
    'America/Chihuahua', 'America/Coral Harbour', 'America/Costa Rica', 'America/Creston',
    'America/Cuiaba', 'America/Curacao', 'America/Danmarkshavn', 'America/Dawson',
    'America/Dawson Creek', 'America/Denver', 'America/Detroit', 'America/Dominica',
    'America/Edmonton', 'America/Eirunepe', 'America/El Salvador', 'America/Ensenada',
    'America/Fort Nelson', 'America/Fortaleza', 'America/Glace Bay', 'America/Godthab',
    'America/Goose Bay', 'America/Grand Turk', 'America/Grenada', 'America/Guadeloupe',
    'America/Guatemala', 'America/Guayaquil', 'America/Guyana', 'America/Halifax',
    'America/Havana', 'America/Hermosillo', 'America/Indiana/Indianapolis', 'America/Indiana/Knox',
    'America/Indiana/Marengo', 'America/Indiana/Petersburg', 'America/Indiana/Tell City',
    'America/Indiana/Vevay', 'America/Indiana/Vincennes', 'America/Indiana/Winamac',
    'America/Inuvik', 'America/Iqaluit', 'America/Jamaica', 'America/Juneau',
    'America/Kentucky/Louisville', 'America/Kentucky/Monticello', 'America/Kralendijk',
    'America/La Paz', 'America/Lima', 'America/Los Angeles', 'America/Lower Princes',
    'America/Maceio', 'America/Managua', 'America/Manaus', 'America/Marigot', 'America/Martinique',
    'America/Matamoros', 'America/Mazatlan', 'America/Menominee', 'America/Merida',
    'America/Metlakatla', 'America/Mexico City', 'America/Miquelon', 'America/Moncton',
    'America/Monterrey', 'America/Montevideo', 'America/Montreal', 'America/Montserrat',
    'America/Nassau', 'America/New York', 'America/Nipigon', 'America/Nome', 'America/Noronha',
    'America/North Dakota/Beulah', 'America/North Dakota/Center', 'America/North Dakota/New Salem',
    'America/Ojinaga', 'America/Panama', 'America/Pangnirtung', 'America/Paramaribo',
    'America/Phoenix', 'America/Port of Spain', 'America/Port-au-Prince', 'America/Porto Velho',
    'America/Puerto Rico', 'America/Rainy River', 'America/Rankin Inlet', 'America/Recife',
    'America/Regina', 'America/Resolute', 'America/Rio Branco', 'America/Rosario',
    'America/Santarem', 'America/Santiago', 'America/Santo Domingo', 'America/Sao Paulo',
    'America/Scoresbysund', 'America/Sitka', 'America/St Barthelemy', 'America/St Johns',
    'America/St Kitts', 'America/St Lucia', 'America/St Thomas', 'America/St Vincent',
    'America/Swift Current', 'America/Tegucigalpa', 'America/Thule', 'America/Thunder Bay',
    'America/Tijuana', 'America/Toronto', 'America/Tortola', 'America/Vancouver',
    'America/Whitehorse', 'America/Winnipeg', 'America/Yakutat', 'America/Yellowknife',
    'Antarctica/Casey', 'Antarctica/Davis', 'Antarctica/DumontDUrville', 'Antarctica/Macquarie',
    'Antarctica/Mawson', 'Antarctica/McMurdo', 'Antarctica/Palmer', 'Antarctica/Rothera',
    'Antarctica/South Pole', 'Antarctica/Syowa', 'Antarctica/Troll', 'Antarctica/Vostok',
    'Arctic/Longyearbyen', 'Asia/Aden', 'Asia/Almaty', 'Asia/Amman', 'Asia/Anadyr', 'Asia/Aqtau',
    'Asia/Aqtobe', 'Asia/Ashgabat', 'Asia/Baghdad', 'Asia/Bahrain', 'Asia/Baku', 'Asia/Bangkok',
    'Asia/Barnaul', 'Asia/Beirut', 'Asia/Bishkek', 'Asia/Brunei', 'Asia/Chita', 'Asia/Choibalsan',
    'Asia/Chongqing', 'Asia/Chungking', 'Asia/Colombo', 'Asia/Damascus', 'Asia/Dhaka', 'Asia/Dili',
    'Asia/Dubai', 'Asia/Dushanbe', 'Asia/Gaza', 'Asia/Hanoi', 'Asia/Harbin', 'Asia/Hebron',
    'Asia/Ho Chi Minh', 'Asia/Hong Kong', 'Asia/Hovd', 'Asia/Irkutsk', 'Asia/Istanbul',
    'Asia/Jakarta', 'Asia/Jayapura', 'Asia/Jerusalem', 'Asia/Kabul', 'Asia/Kamchatka',
    'Asia/Karachi', 'Asia/Kashgar', 'Asia/Kathmandu', 'Asia/Khandyga', 'Asia/Kolkata',
    'Asia/Krasnoyarsk', 'Asia/Kuala Lumpur', 'Asia/Kuching', 'Asia/Kuwait', 'Asia/Macau',
    'Asia/Magadan', 'Asia/Makassar', 'Asia/Manila', 'Asia/Muscat', 'Asia/Nicosia',
    'Asia/Novokuznetsk', 'Asia/Novosibirsk', 'Asia/Omsk', 'Asia/Oral', 'Asia/Phnom Penh',
    'Asia/Pontianak', 'Asia/Pyongyang', 'Asia/Qatar', 'Asia/Qyzylorda', 'Asia/Rangoon',
    'Asia/Riyadh', 'Asia/Sakhalin', 'Asia/Samarkand', 'Asia/Seoul', 'Asia/Shanghai',
    'Asia/Singapore', 'Asia/Srednekolymsk', 'Asia/Taipei', 'Asia/Tashkent', 'Asia/Tbilisi',
    'Asia/Tehran', 'Asia/Tel Aviv', 'Asia/Thimphu', 'Asia/Tokyo', 'Asia/Tomsk', 'Asia/Ulaanbaatar',
    'Asia/Urumqi', 'Asia/Ust-Nera', 'Asia/Vientiane', 'Asia/Vladivostok', 'Asia/Yakutsk',
    'Asia/Yekaterinburg', 'Asia/Yerevan', 'Atlantic/Azores', 'Atlantic/Bermuda', 'Atlantic/Canary',
    'Atlantic/Cape Verde', 'Atlantic/Faroe', 'Atlantic/Madeira', 'Atlantic/Reykjavik',
    'Atlantic/South Georgia', 'Atlantic/St Helena', 'Atlantic/Stanley', 'Australia/Adelaide',
    'Australia/Brisbane', 'Australia/Broken Hill', 'Australia/Currie', 'Australia/Darwin',
    'Australia/Eucla', 'Australia/Hobart', 'Australia/Lindeman', 'Australia/Lord Howe',
    'Australia/Melbourne', 'Australia/Perth', 'Australia/Sydney', 'Europe/Amsterdam',
    'Europe/Andorra', 'Europe/Astrakhan', 'Europe/Athens', 'Europe/Belfast', 'Europe/Belgrade',
    'Europe/Berlin', 'Europe/Bratislava', 'Europe/Brussels', 'Europe/Bucharest', 'Europe/Budapest',
    'Europe/Chisinau', 'Europe/Copenhagen', 'Europe/Dublin', 'Europe/Gibraltar', 'Europe/Guernsey',
    'Europe/Helsinki', 'Europe/Isle of Man', 'Europe/Istanbul', 'Europe/Jersey',
    'Europe/Kaliningrad', 'Europe/Kiev', 'Europe/Kirov', 'Europe/Lisbon', 'Europe/Ljubljana',
    'Europe/London', 'Europe/Luxembourg', 'Europe/Madrid', 'Europe/Malta', 'Europe/Mariehamn',
    'Europe/Minsk', 'Europe/Monaco', 'Europe/Moscow', 'Europe/Nicosia', 'Europe/Oslo',
    'Europe/Paris', 'Europe/Podgorica', 'Europe/Prague', 'Europe/Riga', 'Europe/Rome',
    'Europe/Samara', 'Europe/San Marino', 'Europe/Sarajevo', 'Europe/Simferopol', 'Europe/Skopje',
    'Europe/Sofia', 'Europe/Stockholm', 'Europe/Tallinn', 'Europe/Tirane', 'Europe/Tiraspol',
    'Europe/Ulyanovsk', 'Europe/Uzhgorod', 'Europe/Vaduz', 'Europe/Vatican', 'Europe/Vienna',
    'Europe/Vilnius', 'Europe/Volgograd', 'Europe/Warsaw', 'Europe/Zagreb', 'Europe/Zaporozhye',
    'Europe/Zurich', 'Indian/Antananarivo', 'Indian/Chagos', 'Indian/Christmas', 'Indian/Cocos',
    'Indian/Comoro', 'Indian/Kerguelen', 'Indian/Mahe', 'Indian/Maldives', 'Indian/Mauritius',
    'Indian/Mayotte', 'Indian/Reunion', 'Pacific/Apia', 'Pacific/Auckland', 'Pacific/Bougainville',
    'Pacific/Chatham', 'Pacific/Chuuk', 'Pacific/Easter', 'Pacific/Efate', 'Pacific/Enderbury',
    'Pacific/Fakaofo', 'Pacific/Fiji', 'Pacific/Funafuti', 'Pacific/Galapagos', 'Pacific/Gambier',
    'Pacific/Guadalcanal', 'Pacific/Guam', 'Pacific/Honolulu', 'Pacific/Johnston',
    'Pacific/Kiritimati', 'Pacific/Kosrae', 'Pacific/Kwajalein', 'Pacific/Majuro',
    'Pacific/Marquesas', 'Pacific/Midway', 'Pacific/Nauru', 'Pacific/Niue', 'Pacific/Norfolk',
    'Pacific/Noumea', 'Pacific/Pago Pago', 'Pacific/Palau', 'Pacific/Pitcairn', 'Pacific/Pohnpei',
    'Pacific/Port Moresby', 'Pacific/Rarotonga', 'Pacific/Saipan', 'Pacific/Tahiti',
    'Pacific/Tarawa', 'Pacific/Tongatapu', 'Pacific/Wake', 'Pacific/Wallis', 'US/Pacific-New',
]

NON_HOUR = {
    'America/St Johns': -210,
    'Asia/Colombo': 330,
    'Asia/Kabul': 270,
    'Asia/Kathmandu': 345,
    'Asia/Kolkata': 330,
    'Asia/Pyongyang': 510,
    'Asia/Rangoon': 390,
    'Asia/Tehran': 210,
    'Australia/Adelaide': 570,
    'Australia/Broken Hill': 570,
    'Australia/Darwin': 570,
    'Australia/Eucla': 525,
    'Australia/Lord Howe': 630,
    'Indian/Cocos': 390,
    'Pacific/Chatham': 765,
    'Pacific/Marquesas': -570,
}

OTHER = {
    'Africa/Casablanca': 0,
    'Africa/El Aaiun': 0,
    'Africa/Juba': 180,
    'Africa/Khartoum': 180,
    'Africa/Windhoek': 60,
    'America/Asuncion': -240,
    'America/Chihuahua': -420,
    'America/Dawson': -480,
    'America/Godthab': -180,
    'America/Grand Turk': -240,
    'America/Ojinaga': -420,
    'America/Scoresbysund': -60,
    'America/Whitehorse': -480,
    'Antarctica/Macquarie': 660,
    'Antarctica/Palmer': -240,
    'Antarctica/Vostok': 360,
    'Asia/Almaty': 360,
    'Asia/Amman': 120,
    'Asia/Damascus': 120,
    'Asia/Hanoi': 420,
    'Asia/Istanbul': 120,
    'Asia/Kashgar': 480,
    'Asia/Novosibirsk': 360,
    'Asia/Qyzylorda': 360,
    'Europe/Dublin': 0,
    'Europe/Istanbul': 120,
    'Europe/Tiraspol': 180,
    'US/Pacific-New': -480,
}

# Rows per region, as the list is laid out.
REGION_ROWS = {
    'Africa': 54, 'America': 151, 'Antarctica': 12, 'Arctic': 1, 'Asia': 87, 'Atlantic': 10,
    'Australia': 12, 'Europe': 61, 'Indian': 11, 'Pacific': 39, 'US': 1,
}

OUTPUT = os.path.join('src', 'sections', 'TimeZones.cpp')


def parse_offset(text):
    """'-3:30' -> -210, '5:45' -> 345, '-0:25:21' -> -25 (seconds dropped)."""
    sign = -1 if text.startswith('-') else 1
    parts = [int(p) for p in text.lstrip('-').split(':')]
    parts += [0] * (3 - len(parts))
    return sign * (parts[0] * 60 + parts[1])


def read_standard_offsets(path):
    """Zone name (tz spelling) -> present standard offset in minutes, links resolved."""
    zones, links = {}, {}
    current = None
    with open(path, encoding='utf-8') as f:
        for line in f:
            fields = line.split()
            if not fields or fields[0].startswith('#'):
                continue
            if fields[0] == 'Z':
                current = fields[1]
                zones[current] = parse_offset(fields[2])
            elif fields[0] == 'L':
                current = None
                links[fields[2]] = fields[1]
            elif fields[0] == 'R':
                current = None
            elif current is not None:
                # A continuation line: the last one is the rule in force now.
                zones[current] = parse_offset(fields[0])
    for name, target in links.items():
        seen = set()
        while target in links and target not in seen:
            seen.add(target)
            target = links[target]
        if target in zones:
            zones.setdefault(name, zones[target])
    return zones


def check_layout():
    if len(NAMES) != 439 or len(set(NAMES)) != len(NAMES):
        sys.exit('the zone list must hold 439 distinct names')
    if NAMES != sorted(NAMES):
        sys.exit('the zone list must be sorted by name')
    counts = {}
    for name in NAMES:
        region = name.split('/')[0]
        counts[region] = counts.get(region, 0) + 1
    if counts != REGION_ROWS:
        sys.exit('rows per region differ: %r' % counts)
    for table in (NON_HOUR, OTHER):
        for name in table:
            if name not in NAMES:
                sys.exit('%s is not a row of the list' % name)


def main():
    source = sys.argv[1] if len(sys.argv) > 1 else '/usr/share/zoneinfo/tzdata.zi'
    check_layout()
    database = read_standard_offsets(source)
    rows = []
    for name in NAMES:
        known = database.get(name.replace(' ', '_'))
        minutes = OTHER.get(name, NON_HOUR.get(name, known))
        if minutes is None:
            sys.exit('%s is neither in %s nor given an offset here' % (name, source))
        if known is not None and known != minutes:
            print('%s: %d here, %d in the database' % (name, minutes, known), file=sys.stderr)
        if minutes % 60 != 0 and name not in NON_HOUR:
            sys.exit('%s has a non-hour offset %d not listed in NON_HOUR' % (name, minutes))
        rows.append((name, minutes))

    with open(OUTPUT, 'w', encoding='utf-8') as out:
        out.write('// Generated by tools/gen_time_zones.py from the tz database; do not edit.\n')
        out.write('#include "sections/TimeZones.h"\n\n')
        out.write('namespace kov {\n\nnamespace {\n\n')
        out.write('constexpr STimeZone kTimeZones[] = {\n')
        for name, minutes in rows:
            out.write('    {"%s", %d},\n' % (name, minutes))
        out.write('};\n\n} // namespace\n\n')
        out.write('std::span<const STimeZone> TimeZoneTable()\n{\n    return kTimeZones;\n}\n\n')
        out.write('} // namespace kov\n')
    formatter = shutil.which('clang-format-14')
    if formatter:
        subprocess.run([formatter, '-i', OUTPUT], check=True)
    print('%s: %d zones' % (OUTPUT, len(rows)))


if __name__ == '__main__':
    main()
