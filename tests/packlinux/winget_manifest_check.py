#!/usr/bin/python3
"""Checks a winget manifest that tarnell-pack wrote against winget's rules for
the fields it writes (ManifestVersion 1.10.0: patterns, lengths, enumerations,
required fields, no field outside the schema), read by an independent YAML
parser that refuses duplicate keys, and against the facts of `info --json`.
Usage: winget_manifest_check.py <manifest folder> <info.json> <setup.exe>
Prints each fault and exits 1 when there is one."""
import hashlib
import json
import os
import re
import sys

import jsonschema
import yaml

IDENTIFIER = r'^[^\.\s\\/:\*\?"<>\|\x01-\x1f]{1,32}(\.[^\.\s\\/:\*\?"<>\|\x01-\x1f]{1,32}){1,7}$'
VERSION = r'^[^\\/:\*\?"<>\|\x01-\x1f]+$'
LOCALE = r'^([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*$'
PART = r'(0|[1-9][0-9]{0,3}|[1-5][0-9]{4}|6[0-4][0-9]{3}|65[0-4][0-9]{2}|655[0-2][0-9]|6553[0-5])'
MANIFEST_VERSION = '^' + PART + r'(\.' + PART + '){2}$'
RESPONSES = ['packageInUse', 'packageInUseByApplication', 'installInProgress', 'fileInUse', 'missingDependency',
             'diskFull', 'insufficientMemory', 'invalidParameter', 'noNetwork', 'contactSupport',
             'rebootRequiredToFinish', 'rebootRequiredForInstall', 'rebootInitiated', 'cancelledByUser',
             'alreadyInstalled', 'downgrade', 'blockedByPolicy', 'systemNotSupported', 'custom']
# What winget knows of msiexec's codes for an msi installer, and expects told for an exe.
MSI_CODES = {87: 'invalidParameter', 112: 'diskFull', 1601: 'contactSupport', 1602: 'cancelledByUser',
             1618: 'installInProgress', 1623: 'systemNotSupported', 1625: 'blockedByPolicy', 1628: 'invalidParameter',
             1633: 'systemNotSupported', 1638: 'alreadyInstalled', 1639: 'invalidParameter', 1640: 'blockedByPolicy',
             1643: 'blockedByPolicy', 1644: 'blockedByPolicy', 1649: 'blockedByPolicy', 1650: 'invalidParameter',
             1654: 'systemNotSupported', 3010: 'rebootRequiredToFinish'}
INSTALLER_TYPES = ['msix', 'msi', 'appx', 'exe', 'zip', 'inno', 'nullsoft', 'wix', 'burn', 'pwa', 'portable']


def text(low, high, pattern=None):
    rule = {'type': 'string', 'minLength': low, 'maxLength': high}
    if pattern:
        rule['pattern'] = pattern
    return rule


def manifest(kind, fields, required):
    common = {'PackageIdentifier': text(1, 128, IDENTIFIER), 'PackageVersion': text(1, 128, VERSION),
              'ManifestType': {'const': kind}, 'ManifestVersion': {'type': 'string', 'pattern': MANIFEST_VERSION}}
    return {'type': 'object', 'properties': {**common, **fields}, 'additionalProperties': False,
            'required': list(common) + required}


RETURN_CODE = {'type': 'integer', 'minimum': -2147483648, 'maximum': 4294967295, 'not': {'enum': [0]}}
SCHEMAS = {
    'version': manifest('version', {'DefaultLocale': text(1, 20, LOCALE)}, ['DefaultLocale']),
    'defaultLocale': manifest('defaultLocale', {
        'PackageLocale': text(1, 20, LOCALE), 'Publisher': text(2, 256), 'PackageName': text(2, 256),
        'License': text(3, 512), 'ShortDescription': text(3, 256)},
        ['PackageLocale', 'Publisher', 'PackageName', 'License', 'ShortDescription']),
    'installer': manifest('installer', {
        'InstallerType': {'enum': INSTALLER_TYPES},
        'Scope': {'enum': ['user', 'machine']},
        'ElevationRequirement': {'enum': ['elevationRequired', 'elevationProhibited', 'elevatesSelf']},
        'InstallerSwitches': {'type': 'object', 'additionalProperties': False, 'properties': {
            name: text(1, 512) for name in ['Silent', 'SilentWithProgress', 'Interactive', 'InstallLocation', 'Log',
                                            'Upgrade', 'Custom', 'Repair']}},
        'InstallerSuccessCodes': {'type': 'array', 'items': RETURN_CODE, 'uniqueItems': True, 'maxItems': 16},
        'ExpectedReturnCodes': {'type': 'array', 'uniqueItems': True, 'maxItems': 128, 'items': {
            'type': 'object', 'additionalProperties': False, 'required': ['InstallerReturnCode', 'ReturnResponse'],
            'properties': {'InstallerReturnCode': RETURN_CODE, 'ReturnResponse': {'enum': RESPONSES}}}},
        'Installers': {'type': 'array', 'minItems': 1, 'maxItems': 1024, 'items': {
            'type': 'object', 'additionalProperties': False,
            'required': ['Architecture', 'InstallerUrl', 'InstallerSha256'],
            'properties': {
                'Architecture': {'enum': ['x86', 'x64', 'arm', 'arm64', 'neutral']},
                'InstallerUrl': text(1, 2048, r'^([Hh][Tt][Tt][Pp][Ss]?)://.+$'),
                'InstallerSha256': {'type': 'string', 'pattern': r'^[A-Fa-f0-9]{64}$'},
                'ProductCode': text(1, 255),
                'AppsAndFeaturesEntries': {'type': 'array', 'maxItems': 128, 'items': {
                    'type': 'object', 'additionalProperties': False, 'minProperties': 1, 'properties': {
                        'DisplayName': text(1, 256), 'Publisher': text(1, 256), 'DisplayVersion': text(1, 128),
                        'ProductCode': text(1, 255), 'UpgradeCode': text(1, 255),
                        'InstallerType': {'enum': INSTALLER_TYPES}}}}}}}},
        ['InstallerType', 'Installers']),
}


class UniqueKeyLoader(yaml.SafeLoader):
    """Refuses a mapping that names a key twice, which YAML parsers take differently."""

    def construct_mapping(self, node, deep=False):
        keys = [self.construct_object(key, deep=deep) for key, _ in node.value]
        duplicates = {key for key in keys if keys.count(key) > 1}
        if duplicates:
            raise yaml.constructor.ConstructorError(None, None, f'duplicate keys {duplicates}', node.start_mark)
        return super().construct_mapping(node, deep)


def main(folder, info_path, setup_path):
    faults = []
    info = json.load(open(info_path, encoding='utf-8'))
    files = sorted(os.listdir(folder))
    by_type = {}
    for name in files:
        with open(os.path.join(folder, name), encoding='utf-8') as stream:
            document = yaml.load(stream, Loader=UniqueKeyLoader)
        for error in jsonschema.Draft7Validator(SCHEMAS.get(document.get('ManifestType'), {'not': {}})).iter_errors(document):
            faults.append(f'{name}: {"/".join(map(str, error.path))}: {error.message}')
        by_type[document.get('ManifestType')] = (name, document)
    if set(by_type) != set(SCHEMAS):
        return [f'manifest types {sorted(by_type)}, not one of each']
    version, installer, locale = by_type['version'][1], by_type['installer'][1], by_type['defaultLocale'][1]
    identifier = version['PackageIdentifier']
    expected_names = {identifier + '.yaml', identifier + '.installer.yaml',
                      f'{identifier}.locale.{version["DefaultLocale"]}.yaml'}
    entry = installer['Installers'][0]
    feature = entry['AppsAndFeaturesEntries'][0]
    expected_codes = {code['InstallerReturnCode']: code['ReturnResponse'] for code in installer['ExpectedReturnCodes']}
    sha = hashlib.sha256(open(setup_path, 'rb').read()).hexdigest().upper()
    checks = [
        (set(files) == expected_names, f'file names {files}'),
        (all(d['PackageIdentifier'] == identifier and d['PackageVersion'] == info['productVersion']
             for d in (version, installer, locale)), 'identifier or version differ between the files'),
        (version['DefaultLocale'] == locale['PackageLocale'], 'DefaultLocale is not the PackageLocale'),
        (installer['InstallerType'] == 'exe' and feature.get('InstallerType') == 'msi', 'installer types'),
        (installer['InstallerSwitches'] == {'Silent': '/qn /norestart', 'SilentWithProgress': '/passive /norestart',
                                            'Log': '/l*v "<LOGPATH>"'}, 'switches'),
        (installer.get('Scope') == (None if info['scope'] == 'dual' else info['scope']), 'scope'),
        (installer.get('ElevationRequirement') == ('elevationRequired' if info['scope'] == 'machine' else None),
         'a per-machine package needs elevation, others none'),
        (not set(installer['InstallerSuccessCodes']) & set(expected_codes), 'a code both a success and expected'),
        (1641 in installer['InstallerSuccessCodes'] and expected_codes.get(3010) == 'rebootRequiredToFinish',
         'restart codes'),
        (MSI_CODES.items() <= expected_codes.items(), 'msiexec codes winget knows'),
        (entry['Architecture'] == 'x64', 'architecture: not the setup program\'s'),
        ('DisplayVersion' not in feature, 'a DisplayVersion equal to PackageVersion'),
        (entry['InstallerSha256'] == sha, 'InstallerSha256 is not the setup program\'s'),
        (entry['ProductCode'] == feature['ProductCode'] == info['productCode'], 'product code'),
        (feature.get('UpgradeCode') == info['upgradeCode'], 'upgrade code'),
        ((feature['DisplayName'], feature['Publisher']) == (info['productName'], info['manufacturer']),
         'apps and features entry'),
        ((locale['Publisher'], locale['PackageName']) == (info['manufacturer'], info['productName']), 'locale texts'),
    ]
    return faults + [what for ok, what in checks if not ok]


if __name__ == '__main__':
    found = main(*sys.argv[1:4])
    for fault in found:
        print('FAULT:', fault)
    sys.exit(1 if found else 0)
